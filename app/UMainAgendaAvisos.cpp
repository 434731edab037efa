// Change notices: every stored change of an appointment is broadcast to the
// mailslot of every copy, naming the days it touches.
#include <QApplication>

#include "app/ALMailSlot.h"
#include "app/UMainAgenda.h"
#include "core/Clock.h"
#include "core/DateFormat.h"

void TfrmAgenda::AvisarCambio(TDate Desde, TDate Hasta) {
  EnviarMensaje(QStringLiteral("RFS") + FormatDateTime(QStringLiteral("yyyymmdd"), Desde) +
                FormatDateTime(QStringLiteral("yyyymmdd"), Hasta));
}

void TfrmAgenda::EnviarMensaje(const QString& Texto) {
  const QString text = FormatDateTime(QStringLiteral("yyyymmddhhnnss"), Clock::Now()) + Texto;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  MailSlot->Broadcast(text);
  // Two notices of one sender never share a time stamp.
  NoticeWait(3000);
  QApplication::restoreOverrideCursor();
}
