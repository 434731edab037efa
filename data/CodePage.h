#pragma once
// Single-byte code pages of dBase text: tables hold bytes in the code page of
// their language driver; the engine hands out UTF-8. Every byte value maps to
// its own character, so text read and written back unchanged keeps its bytes.
#include <cstdint>
#include <string>
#include <string_view>

namespace data {

// 437, 850 or 1252 (the default for tables whose driver is unknown or unset).
int CodePageOfLanguageDriver(std::uint8_t driverId);
// dBase 7 names its driver ("DBWINWE0", "DB437US0", ...).
int CodePageOfDriverName(std::string_view name);
std::uint8_t LanguageDriverOfCodePage(int codePage);

std::string ToUtf8(std::string_view bytes, int codePage);
// The same, appended to `out` (whose storage a reader of many values reuses).
void AppendUtf8(std::string_view bytes, int codePage, std::string& out);
// Characters the code page cannot hold become '?'.
std::string FromUtf8(std::string_view utf8, int codePage);

// The byte of the letter's other case in the code page (é and É in all three,
// ñ and Ñ, ...); a byte whose other case the page lacks (á in 437) stays.
char UpperInCodePage(unsigned char c, int codePage);
char LowerInCodePage(unsigned char c, int codePage);

}  // namespace data
