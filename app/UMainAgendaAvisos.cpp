// Change notices: every stored change of an appointment is broadcast to the
// mailslot of every copy, naming the days it touches.
#include "app/ALMailSlot.h"
#include "app/AvisoCambio.h"
#include "app/NoticeQueue.h"
#include "app/UMainAgenda.h"

void TfrmAgenda::AvisarCambio(TDate Desde, TDate Hasta) { EnviarMensaje(TextoCambio(Desde, Hasta)); }

// The notice goes out stamped at once, or waits its three seconds in the
// queue while the window goes on working.
void TfrmAgenda::EnviarMensaje(const QString& Texto) { Avisos->Send(Texto); }
