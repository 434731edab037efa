// Change notices: every stored change of an appointment is broadcast to the
// mailslot of every copy, naming the days it touches.
#include <QApplication>

#include "app/AvisoCambio.h"
#include "app/UMainAgenda.h"

void TfrmAgenda::AvisarCambio(TDate Desde, TDate Hasta) { EnviarMensaje(TextoCambio(Desde, Hasta)); }

void TfrmAgenda::EnviarMensaje(const QString& Texto) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  EnviarAviso(*MailSlot, Texto);
  QApplication::restoreOverrideCursor();
}
