#pragma once
// Helpers shared by the windows of the program.

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

#include "core/DateTime.h"

// ---- Appointment record rules ----

// The day of Fecha at the time written in Hora ("h:m"). Unreadable parts
// count as 0; a time that does not exist (hour above 23, minute above 59)
// gives Fecha itself.
TDateTime FechaHora(TDateTime Fecha, const QString& Hora);

// A time as typed ("9", "930", "0930", "7:5") written as "hh:nn"; anything it
// cannot read comes back unchanged.
QString NormalizarHora(const QString& Texto);

// "hh:nn" of a moment, whatever the locale.
QString HoraTexto(TDateTime Momento);

// Momento moved by Sentido (-1 or +1) times the interval of reminder choice
// Eleccion (0..14); other choices return Momento.
TDateTime CalcularAviso(int Eleccion, int Sentido, TDateTime Momento);

// Minutes of the interval of reminder choice Eleccion; 0 for no reminder
// and for any value that is not a choice.
int MinutosAviso(int Eleccion);
// The reminder choice (1..14) whose interval lies nearest to Minutos before
// the start; a tie goes to the shorter interval.
int AvisoMasCercano(double Minutos);

// The fifteen reminder labels, the index being the stored choice.
void ListaAvisos(QStringList& Lista);
QStringList ListaAvisos();

// Whole minutes from Desde to Hasta (negative when Hasta is earlier); both
// are whole minutes, so an hour is exactly 60.
int MinutosEntre(TDateTime Desde, TDateTime Hasta);
TDateTime SumarMinutos(int N, TDateTime Momento);

// ---- The appointments table ----

namespace data {
class Table;
}

// The highest ID in use plus one (1 for an empty table); the table's current
// index and record are restored.
int NuevoID(data::Table& Tabla);
// Creates AGENDA.DBF in Carpeta (the data folder when empty) unless it is
// there. A failure is shown as "Error generando tabla" and the caller goes on.
void CrearTablaAgenda(const QString& Carpeta = QString());
// Recomputes F_AVISO and H_AVISO of the record being edited.
void RecalcularAviso(data::Table& Tabla);
// True when AGENDA.DBF or CATEGORIAS.DBF of Carpeta is held open elsewhere.
bool TablasEnUso(const QString& Carpeta);

// ---- Shell helpers ----

// Ruta followed by "/" unless Ruta, blanks aside, already ends with one. The
// blanks are kept; an empty Ruta gives a lone "/".
QString IncluirBarra(const QString& Ruta);

// The folder for temporary files, without trailing "/", at most 260 characters.
QString DirectorioSistema();

// Opens a file or a web address with the program the desktop associates with
// it. Returns a value above 32 on success and 2 (not found) or 31 (no
// association) on failure, as callers test it.
int AbrirDocumento(const QString& Ruta);
// Opens an address with the desktop's "open"; false when nothing opened it.
bool AbrirUrl(const QUrl& url);
// Tests replace the desktop's "open"; an empty function restores it.
void SetShellOpener(std::function<bool(const QUrl&)> opener);

// Returns after the given milliseconds on the monotonic clock, handling the
// window system's events all the while.
void Esperar(int Milisegundos);
