#pragma once
#include <QString>

// The program's version as an integer (130 is "1.30").
constexpr int kVersion = 130;

// "1.30": the version divided by 100 with two decimals and a point,
// whatever the locale.
QString VersionText();
// "Quillar 1.30": the application title and the main window's caption.
QString TituloAplicacion();
