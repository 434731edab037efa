#pragma once
// A desktop notification service of our own for tests: it takes the name
// org.freedesktop.Notifications on the session bus through a connection of
// its own, records every Notify call and can report an action as the user's.
#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <vector>

class FakeNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
 public:
  struct Call {
    QString app, icon, summary, body;
    uint replaces = 0;
    QStringList actions;
    QVariantMap hints;
    uint id = 0;
  };
  FakeNotifications();
  ~FakeNotifications() override;
  bool Registered() const { return registered_; }
  void Invoke(uint id, const QString& action) { emit ActionInvoked(id, action); }
  void Close(uint id) { emit NotificationClosed(id, 2); }
  std::vector<Call> calls;

 public slots:
  uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
              const QStringList& actions, const QVariantMap& hints, int timeout);
  void CloseNotification(uint id);
  QStringList GetCapabilities();

 signals:
  void ActionInvoked(uint id, const QString& action);
  void NotificationClosed(uint id, uint reason);

 private:
  QDBusConnection bus_;
  bool registered_ = false;
  uint last_ = 0;
};
