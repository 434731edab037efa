#include "app/AvisoCambio.h"

#include "app/ALMailSlot.h"
#include "core/Clock.h"
#include "core/DateFormat.h"

QString TextoCambio(TDate Desde, TDate Hasta) {
  return QStringLiteral("RFS") + FormatDateTime(QStringLiteral("yyyymmdd"), Desde) +
         FormatDateTime(QStringLiteral("yyyymmdd"), Hasta);
}

void EnviarAviso(TALMailSlot& Slot, const QString& Texto) {
  Slot.Broadcast(FormatDateTime(QStringLiteral("yyyymmddhhnnss"), Clock::Now()) + Texto);
  NoticeWait(3000);
}
