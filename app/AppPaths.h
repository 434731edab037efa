#pragma once
// Where the program keeps its files. A copy whose folder is writable (a
// portable copy, or the build folder) keeps config.ini and the default data
// folder beside the executable; an installed copy uses the XDG folders.

#include <QString>

namespace AppPaths {
// The executable's folder, with a trailing "/".
QString ProgramFolder();
// True when config.ini and the default data live in the program folder.
bool IsPortable();
// Full path of config.ini.
QString ConfigFile();
// The data folder used when none is configured or the configured one is gone,
// with a trailing "/".
QString DefaultDataFolder();
// Creates the folder and every missing folder above it, each readable by
// its owner only (0700, as for XDG folders); an existing folder is left as
// it is. Throws std::runtime_error with the reason in Spanish.
void CreateFolder(const QString& folder);
// Full path of the executable.
QString ProgramFile();
// Tests point the program folder elsewhere; an empty path restores the real one.
void SetProgramFolder(const QString& folder);
}  // namespace AppPaths
