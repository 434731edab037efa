#pragma once
// Desktop notifications of due reminders, through the desktop's notification
// service (org.freedesktop.Notifications on the session bus). Each bubble
// offers the action "Abrir". Where no bus or no service runs nothing is shown
// and nothing fails; the call never waits for the service. Tests replace the
// notifier.

#include <QString>
#include <functional>

namespace Notificador {
struct Notificacion {
  int clave = 0;  // one bubble per key: a new one replaces the key's previous one
  QString titulo;
  QString texto;
  std::function<void()> abrir;  // run when the user picks "Abrir" or clicks the bubble
};

void Notificar(const Notificacion& n);

// An empty function restores the desktop's notifications.
void SetNotificador(std::function<void(const Notificacion&)> f);
}  // namespace Notificador
