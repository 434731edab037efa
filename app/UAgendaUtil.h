#pragma once
// Helpers shared by the windows of the program.

#include <QString>
#include <QUrl>
#include <functional>

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
