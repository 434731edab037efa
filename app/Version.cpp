#include "app/Version.h"

QString VersionText() { return QString::asprintf("%d.%02d", kVersion / 100, kVersion % 100); }
QString TituloAplicacion() { return QStringLiteral("Quillar ") + VersionText(); }
