#pragma once
// The rules every write to the appointments table of the main window keeps:
// new records start with ID -1, a record without a valid ID is never
// stored, every stored change is announced, and the reminder fields follow
// the start fields.

#include <functional>

#include "core/DateTime.h"

namespace data {
class Table;
}

// Announces a stored change of the days Desde..Hasta.
using AvisarCambioFn = std::function<void(TDate Desde, TDate Hasta)>;

void tblAgendaNewRecord(data::Table& Tabla);
void tblAgendaBeforePost(data::Table& Tabla, bool& abort);
void tblAgendaAfterPost(data::Table& Tabla, const AvisarCambioFn& avisar);
void tblAgendaFECHA_INIChange(data::Table& Tabla);
void tblAgendaHORA_INIChange(data::Table& Tabla);

// Attaches all the hooks above to a table.
void AdjuntarHooksAgenda(data::Table& Tabla, AvisarCambioFn avisar);
