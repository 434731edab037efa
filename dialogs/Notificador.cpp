#include "dialogs/Notificador.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <map>

namespace Notificador {
namespace {
const QString kServicio = QStringLiteral("org.freedesktop.Notifications");
const QString kRuta = QStringLiteral("/org/freedesktop/Notifications");
const QString kAccion = QStringLiteral("abrir");

// The session's notification service. It remembers, for each bubble it has
// shown, what "Abrir" does, until the service reports the bubble closed or
// goes away: a service started anew numbers its bubbles from the start, so
// the numbers it had given are other programs' from then on.
class Escritorio : public QObject {
  Q_OBJECT
 public:
  void Notificar(const Notificacion& n) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    if (!escuchando_) {
      escuchando_ = true;
      auto* vigia = new QDBusServiceWatcher(kServicio, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
      connect(vigia, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] {
        abrir_.clear();
        porClave_.clear();
      });
      bus.connect(kServicio, kRuta, kServicio, QStringLiteral("ActionInvoked"), this,
                  SLOT(AccionElegida(uint, QString)));
      bus.connect(kServicio, kRuta, kServicio, QStringLiteral("NotificationClosed"), this,
                  SLOT(Cerrada(uint, uint)));
    }
    const auto anterior = porClave_.find(n.clave);
    const uint reemplaza = anterior == porClave_.end() ? 0 : anterior->second;
    QDBusMessage m = QDBusMessage::createMethodCall(kServicio, kRuta, kServicio, QStringLiteral("Notify"));
    QVariantMap pistas;
    pistas.insert(QStringLiteral("desktop-entry"), QStringLiteral("quillar"));
    pistas.insert(QStringLiteral("category"), QStringLiteral("x-quillar.reminder"));
    m << QStringLiteral("Quillar") << reemplaza << QStringLiteral("quillar") << n.titulo << n.texto
      << QStringList{QStringLiteral("default"), QStringLiteral("Abrir"), kAccion, QStringLiteral("Abrir")}
      << pistas << -1;
    auto* espera = new QDBusPendingCallWatcher(bus.asyncCall(m), this);
    const int clave = n.clave;
    const std::function<void()> abrir = n.abrir;
    connect(espera, &QDBusPendingCallWatcher::finished, this, [this, clave, abrir](QDBusPendingCallWatcher* w) {
      const QDBusPendingReply<uint> r = *w;
      w->deleteLater();
      if (r.isError()) return;  // no service: the reminders window is enough
      const uint id = r.value();
      abrir_[id] = abrir;
      porClave_[clave] = id;
    });
  }

 private slots:
  void AccionElegida(uint id, const QString& accion) {
    if (accion != kAccion && accion != QStringLiteral("default")) return;
    const auto i = abrir_.find(id);
    if (i == abrir_.end() || !i->second) return;
    const std::function<void()> abrir = i->second;  // the call may show bubbles anew
    abrir();
  }
  void Cerrada(uint id, uint) {
    abrir_.erase(id);
    for (auto i = porClave_.begin(); i != porClave_.end(); ++i) {
      if (i->second == id) {
        porClave_.erase(i);
        break;
      }
    }
  }

 private:
  bool escuchando_ = false;
  std::map<uint, std::function<void()>> abrir_;
  std::map<int, uint> porClave_;
};

std::function<void(const Notificacion&)>& Sustituto() {
  static std::function<void(const Notificacion&)> f;
  return f;
}
}  // namespace

void Notificar(const Notificacion& n) {
  if (Sustituto()) {
    Sustituto()(n);
    return;
  }
  static Escritorio* escritorio = new Escritorio;  // lives as long as the bus connection
  escritorio->Notificar(n);
}

void SetNotificador(std::function<void(const Notificacion&)> f) { Sustituto() = std::move(f); }
}  // namespace Notificador

#include "Notificador.moc"
