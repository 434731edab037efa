#include "tests/dialogs/FakeNotifications.h"

namespace {
const QString kName = QStringLiteral("org.freedesktop.Notifications");
}

FakeNotifications::FakeNotifications()
    : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-notifications"))) {
  registered_ = bus_.isConnected() &&
                bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                    QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
                bus_.registerService(kName);
}

FakeNotifications::~FakeNotifications() {
  bus_.unregisterService(kName);
  bus_.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
  QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
}

uint FakeNotifications::Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                               const QString& body, const QStringList& actions, const QVariantMap& hints, int) {
  const uint id = replaces ? replaces : ++last_;
  calls.push_back({app, icon, summary, body, replaces, actions, hints, id});
  return id;
}

void FakeNotifications::CloseNotification(uint id) { emit NotificationClosed(id, 3); }

QStringList FakeNotifications::GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
