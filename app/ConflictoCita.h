#pragma once
// The questions asked when a store meets a record another copy changed or
// deleted since this copy read it. Nothing is overwritten without asking.
#include <QString>

class QWidget;

// "la cita «Asunto»", or "la cita" for one without a subject: how the
// questions about a record name it.
QString NombreCita(const QString& Asunto);

// Another copy changed the record meanwhile.
enum class TRespuestaCambio {
  Suya,   // keep the other copy's version; this one's change is dropped
  Mia,    // store this copy's version over it
  Ambas,  // keep the other's and store this one's as a new appointment
};
TRespuestaCambio PreguntarCambioAjeno(const QString& Asunto, QWidget* Parent = nullptr);

// Another copy deleted the record meanwhile.
enum class TRespuestaBorrado {
  GuardarDeNuevo,  // store this copy's version again (same ID)
  Descartar,       // leave it deleted
};
TRespuestaBorrado PreguntarBorradoAjeno(const QString& Asunto, QWidget* Parent = nullptr);

// Deleting a record another copy changed since this copy read it.
enum class TRespuestaBorrarCambiada {
  Eliminar,   // delete it as it is now
  Conservar,  // keep it; the view shows its new version
};
TRespuestaBorrarCambiada PreguntarBorrarCambiada(const QString& Asunto, QWidget* Parent = nullptr);
