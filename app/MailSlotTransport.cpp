#include "app/MailSlotTransport.h"

#include <QHostInfo>
#include <QNetworkInterface>
#include <QUdpSocket>

std::optional<MailSlotPath> ParseMailSlotPath(const QString& path) {
  if (!path.startsWith("\\\\")) return std::nullopt;
  const QStringList parts = path.mid(2).split('\\');
  if (parts.size() != 3 || parts[0].isEmpty() || parts[2].isEmpty()) return std::nullopt;
  if (parts[1].compare("mailslot", Qt::CaseInsensitive) != 0) return std::nullopt;
  return MailSlotPath{parts[0], parts[2]};
}

quint16 MailSlotPort(const QString& name) {
  // FNV-1a over the upper-case name: stable across builds and computers.
  quint32 hash = 2166136261u;
  for (char byte : name.toUpper().toUtf8()) {
    hash ^= static_cast<quint8>(byte);
    hash *= 16777619u;
  }
  return static_cast<quint16>(24000 + hash % 8000);
}

QList<QHostAddress> MailSlotTargets(const QString& server, bool network, const QString& computerName,
                                    const QList<QHostAddress>& lanBroadcasts) {
  const QHostAddress loopback(QHostAddress::LocalHost);
  if (server == "." || server.compare("localhost", Qt::CaseInsensitive) == 0 ||
      server.compare(computerName, Qt::CaseInsensitive) == 0)
    return {loopback};
  if (server == "*") {
    QList<QHostAddress> targets{loopback, kLoopbackBroadcast};
    if (network)
      for (const QHostAddress& address : lanBroadcasts)
        if (!address.isLoopback() && !targets.contains(address)) targets << address;
    return targets;
  }
  if (!network) return {};
  QList<QHostAddress> targets;
  for (const QHostAddress& address : QHostInfo::fromName(server).addresses())
    if (address.protocol() == QAbstractSocket::IPv4Protocol) targets << address;
  return targets.mid(0, 1);
}

QList<QHostAddress> LocalNetworkBroadcasts() {
  QList<QHostAddress> result;
  for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
    const auto flags = iface.flags();
    if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
        !(flags & QNetworkInterface::CanBroadcast) || (flags & QNetworkInterface::IsLoopBack))
      continue;
    for (const QNetworkAddressEntry& entry : iface.addressEntries())
      if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol && !entry.broadcast().isNull())
        result << entry.broadcast();
  }
  return result;
}

QHostAddress MailSlotListenAddress(bool network, bool shared) {
  if (network) return QHostAddress(QHostAddress::AnyIPv4);
  return shared ? kLoopbackBroadcast : QHostAddress(QHostAddress::LocalHost);
}

bool SendMailSlotDatagram(const QString& path, const QByteArray& data, bool network, const QString& computerName) {
  const std::optional<MailSlotPath> target = ParseMailSlotPath(path);
  if (!target) return false;
  const QList<QHostAddress> addresses = MailSlotTargets(
      target->server, network, computerName, network ? LocalNetworkBroadcasts() : QList<QHostAddress>{});
  // A fresh socket for every datagram, like opening and closing the path:
  // a "port unreachable" answer to one never spoils the next.
  bool sent = false;
  const quint16 port = MailSlotPort(target->name);
  for (const QHostAddress& address : addresses) {
    QUdpSocket socket;
    if (socket.writeDatagram(data, address, port) == data.size()) sent = true;
  }
  return sent;
}
