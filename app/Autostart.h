#pragma once
// Starting the program with the desktop session: the XDG autostart entry
// "quillar.desktop". Switching it off keeps the entry with Hidden=true, so the
// entry, once written, is never deleted.

#include <QString>

namespace Autostart {
// Full path of the entry ($XDG_CONFIG_HOME/autostart/quillar.desktop).
QString EntryFile();
// Writes the entry; throws std::runtime_error with the reason on failure.
void Write(bool enabled, const QString& programFile);
}  // namespace Autostart
