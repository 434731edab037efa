#pragma once
// How mailslot datagrams travel here: UDP. A mailslot name is a port (the
// same on every computer, derived from the name, case-insensitive, as
// mailslot names are); the server part of a path is where the datagram goes.
//
//   "\\.\mailslot\NAME"         the listener on this computer
//   "\\*\mailslot\NAME"         every listener: this computer through loopback
//                               (127.0.0.1 for the one exclusive listener, the
//                               loopback broadcast for any number of shared
//                               ones) and, only when the network is switched on,
//                               every computer of the local networks through
//                               their broadcast addresses
//   "\\COMPUTER\mailslot\NAME"  this computer when COMPUTER is its own name;
//                               another computer only with the network on
//
// With the network off nothing ever leaves 127.0.0.1.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <optional>

struct MailSlotPath {
  QString server;
  QString name;
};

// "\\server\mailslot\name", the word mailslot in any case; nullopt otherwise.
std::optional<MailSlotPath> ParseMailSlotPath(const QString& path);

// The UDP port of a mailslot name, in 24000..31999 (below the ephemeral
// ports Linux hands out), the same for any case of the name.
quint16 MailSlotPort(const QString& name);

// Where a datagram for server goes. lanBroadcasts are the broadcast addresses
// of this computer's networks (LocalNetworkBroadcasts()); they are used only
// with network on. Names other than this computer's are looked up only with
// network on; without it they give no address.
QList<QHostAddress> MailSlotTargets(const QString& server, bool network, const QString& computerName,
                                    const QList<QHostAddress>& lanBroadcasts);

// IPv4 broadcast addresses of the interfaces that are up, not loopback.
QList<QHostAddress> LocalNetworkBroadcasts();

// The address a listener binds: loopback (its broadcast address for a
// shared listener), or every IPv4 address with the network on.
QHostAddress MailSlotListenAddress(bool network, bool shared = false);

// The broadcast address of the loopback network, where shared listeners hear
// broadcasts.
inline const QHostAddress kLoopbackBroadcast{QStringLiteral("127.255.255.255")};

// Sends data to the mailslot of path. False when the path is not a
// mailslot path or no target could be reached (the caller reports nothing).
bool SendMailSlotDatagram(const QString& path, const QByteArray& data, bool network, const QString& computerName);
