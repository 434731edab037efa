#pragma once
// The program's own pictures, drawn in code so they scale and need no files:
// the toolbar's 24 x 24 icons and the reminder mark of the time view.

#include <QIcon>
#include <QPixmap>

enum class Icono { Nuevo, Editar, Borrar, Hoy, Semana, Mes, Anual, Horas, Buscar, Imprimir };

QIcon IconoToolbar(Icono icono);
// A small bell, 16 x 16.
QPixmap ImagenAviso();
