#pragma once
// The choice of a range of days and a category that the print dialog and the
// calendar export share: date fields with the weekends marked, a category
// list headed by "(Todas)", and the check that the range is not reversed.

#include "core/DateTime.h"

class QComboBox;
class QDateEdit;
class QWidget;

// A date field ("dd/MM/yyyy") with its drop-down calendar, named Nombre.
QDateEdit* CrearCampoFechaRango(QWidget* parent, const char* Nombre);
// A fixed list named "cbbCategoria" holding "(Todas)".
QComboBox* CrearEleccionCategoria(QWidget* parent);
// Appends the names of the category list after "(Todas)" and selects it.
void CargarEleccionCategoria(QComboBox* Combo);
// The ID of the chosen category, -1 for "(Todas)".
int CategoriaElegida(const QComboBox* Combo);
// False, after a warning, when Hasta lies before Desde.
bool RangoValido(TDate Desde, TDate Hasta, QWidget* parent);
