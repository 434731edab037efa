#pragma once
// The settings file format: "[General]" and one "Key=Value" line per setting,
// read and written in a fixed order. Values are read leniently: integers in
// decimal or "0x" hexadecimal, times as hours, minutes and seconds with any
// separator, text with or without surrounding double quotes. The file may
// hold what other tools put there (comments, other keys and sections): a save
// changes only the program's own keys and keeps every other line as it was.

#include <QString>
#include <optional>
#include <utility>
#include <vector>

#include "core/DateTime.h"

namespace ConfigFormat {
using Entries = std::vector<std::pair<QString, QString>>;

// Keys and values of the section (case-insensitive keys, surrounding blanks
// and one pair of double quotes removed). Throws std::runtime_error with the
// system's reason when the file exists but cannot be read.
Entries ReadSection(const QString& file, const QString& section);
// Sets the entries' keys in the section of the file: every line holding one
// of them gets its new value, keys not yet there are added at the end of the
// section (the section at the end of the file), and every other line stays
// byte for byte. The file is replaced whole, never left half-written; throws
// std::runtime_error on failure, leaving the file as it was.
void WriteSection(const QString& file, const QString& section, const Entries& entries);
// The same merge on the file's text, for callers that hold it.
QByteArray MergeSection(const QByteArray& text, const QString& section, const Entries& entries);

std::optional<long long> ParseInteger(const QString& text);  // decimal or 0x hex, 32 bits
std::optional<TTime> ParseTime(const QString& text);
QString FormatTime(TTime time);  // H:mm:ss with the locale's time separator
}  // namespace ConfigFormat
