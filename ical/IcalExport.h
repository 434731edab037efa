#pragma once
// Writing appointments as an iCalendar file: one VEVENT each, its times in
// local time with the computer's zone (TZID and its VTIMEZONE), its subject,
// place, notes, category and, when it has a reminder, an alarm that long
// before the start. An appointment that came from a file keeps the UID it
// came with (an occurrence of a repeating event also its RECURRENCE-ID);
// the others get one made of their ID and the data folder, the same at every
// export.

#include <QByteArray>
#include <QString>

#include "core/DateTime.h"

namespace ical {

// The calendar of the appointments starting on the days Desde..Hasta, all or
// of one category (-1 for all). Cuantas: the appointments written. Engine
// failures raise data::DbError.
QByteArray CalendarioIcal(const QString& Carpeta, TDate Desde, TDate Hasta, int Categoria, int& Cuantas);

// The same written to Fichero, which is replaced whole or not at all. False
// with a Spanish message in Error when the file cannot be written.
bool ExportarIcal(const QString& Carpeta, const QString& Fichero, TDate Desde, TDate Hasta, int Categoria,
                  int& Cuantas, QString& Error);

}  // namespace ical
