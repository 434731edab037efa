#include "app/ConflictoCita.h"

#include "core/Messages.h"

QString NombreCita(const QString& Asunto) {
  return Asunto.isEmpty() ? QStringLiteral("la cita") : QStringLiteral("la cita «%1»").arg(Asunto);
}

// A box closed without a choice loses nothing: both versions are kept, or
// the deleted one is stored again.
TRespuestaCambio PreguntarCambioAjeno(const QString& Asunto, QWidget* Parent) {
  const int r = ChooseDlg(QStringLiteral("Otra copia de la agenda ha cambiado %1 desde que se leyó aquí.\r\n"
                                         "¿Qué versión desea conservar?")
                              .arg(NombreCita(Asunto)),
                          mtWarning,
                          {QStringLiteral("Conservar la de la otra copia"), QStringLiteral("Guardar la mía"),
                           QStringLiteral("Conservar las dos")},
                          Parent, QStringLiteral("Cita cambiada en otra copia"));
  switch (r) {
    case 0: return TRespuestaCambio::Suya;
    case 1: return TRespuestaCambio::Mia;
    default: return TRespuestaCambio::Ambas;
  }
}

TRespuestaBorrado PreguntarBorradoAjeno(const QString& Asunto, QWidget* Parent) {
  const int r = ChooseDlg(QStringLiteral("Otra copia de la agenda ha eliminado %1 desde que se leyó aquí.\r\n"
                                         "¿Desea guardarla de nuevo?")
                              .arg(NombreCita(Asunto)),
                          mtWarning, {QStringLiteral("Guardarla de nuevo"), QStringLiteral("Descartar la mía")}, Parent,
                          QStringLiteral("Cita eliminada en otra copia"));
  return r == 1 ? TRespuestaBorrado::Descartar : TRespuestaBorrado::GuardarDeNuevo;
}

// Closed without a choice: nothing is deleted.
TRespuestaBorrarCambiada PreguntarBorrarCambiada(const QString& Asunto, QWidget* Parent) {
  const int r = ChooseDlg(QStringLiteral("Otra copia de la agenda ha cambiado %1 desde que se leyó aquí.\r\n"
                                         "¿Desea eliminarla de todos modos?")
                              .arg(NombreCita(Asunto)),
                          mtWarning, {QStringLiteral("Eliminarla"), QStringLiteral("Conservarla")}, Parent,
                          QStringLiteral("Cita cambiada en otra copia"));
  return r == 0 ? TRespuestaBorrarCambiada::Eliminar : TRespuestaBorrarCambiada::Conservar;
}
