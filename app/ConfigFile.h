#pragma once
// The settings file format: "[General]" and one "Key=Value" line per setting,
// read and written in a fixed order. Values are read leniently: integers in
// decimal or "0x" hexadecimal, times as hours, minutes and seconds with any
// separator.

#include <QString>
#include <optional>
#include <utility>
#include <vector>

#include "core/DateTime.h"

namespace ConfigFormat {
using Entries = std::vector<std::pair<QString, QString>>;

// Keys and values of the section (case-insensitive keys, surrounding blanks
// removed). Throws std::runtime_error with the system's reason when the file
// exists but cannot be read.
Entries ReadSection(const QString& file, const QString& section);
// Writes the whole file at once; throws std::runtime_error on failure.
void WriteSection(const QString& file, const QString& section, const Entries& entries);

std::optional<long long> ParseInteger(const QString& text);  // decimal or 0x hex, 32 bits
std::optional<TTime> ParseTime(const QString& text);
QString FormatTime(TTime time);  // H:mm:ss with the locale's time separator
}  // namespace ConfigFormat
