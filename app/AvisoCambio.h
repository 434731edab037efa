#pragma once
// Change notices: after every stored change of appointments the copy that
// made it tells every copy which days to reload.

#include <QString>

#include "core/DateTime.h"

class TALMailSlot;

// The mailslot every copy of the program listens on.
inline const QString kBuzonAvisos = QStringLiteral("DEVADIZU");

// The notice of a change of the days Desde..Hasta: "RFS" and both days as
// yyyymmdd.
QString TextoCambio(TDate Desde, TDate Hasta);
// Sends Texto, after the current moment as yyyymmddhhnnss, to every
// computer's mailslot, then waits three seconds so that two notices of one
// sender never share a time stamp.
void EnviarAviso(TALMailSlot& Slot, const QString& Texto);
