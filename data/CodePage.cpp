#include "data/CodePage.h"

#include <array>
#include <unordered_map>

namespace data {
namespace {
#include "data/CodePageTables.inc"

const char16_t* HighHalf(int codePage) {
  switch (codePage) {
    case 437: return kCp437;
    case 850: return kCp850;
    default: return kCp1252;
  }
}

struct ReverseTable {
  std::unordered_map<char32_t, std::uint8_t> map;
};

const ReverseTable& Reverse(int codePage) {
  static const auto build = [](int cp) {
    ReverseTable t;
    const char16_t* high = HighHalf(cp);
    for (int i = 0; i < 128; ++i) t.map.emplace(high[i], static_cast<std::uint8_t>(128 + i));
    return t;
  };
  static const ReverseTable t437 = build(437), t850 = build(850), t1252 = build(1252);
  switch (codePage) {
    case 437: return t437;
    case 850: return t850;
    default: return t1252;
  }
}
}  // namespace

int CodePageOfLanguageDriver(std::uint8_t id) {
  switch (id) {
    case 0x01: case 0x09: case 0x0B: case 0x0D: case 0x0F: case 0x11: case 0x15:
    case 0x18: case 0x19: case 0x1B:
      return 437;
    case 0x02: case 0x0A: case 0x0E: case 0x10: case 0x12: case 0x14: case 0x16:
    case 0x1A: case 0x1D: case 0x25: case 0x37:
      return 850;
    default:
      return 1252;
  }
}

int CodePageOfDriverName(std::string_view name) {
  if (name.find("437") != std::string_view::npos) return 437;
  if (name.find("850") != std::string_view::npos) return 850;
  return 1252;
}

std::uint8_t LanguageDriverOfCodePage(int codePage) {
  switch (codePage) {
    case 437: return 0x01;
    case 850: return 0x02;
    default: return 0x57;
  }
}

std::string ToUtf8(std::string_view bytes, int codePage) {
  // Each byte gives at most three: size once, fill through a pointer.
  std::string out(bytes.size() * 3, '\0');
  char* o = out.data();
  const char16_t* high = nullptr;
  for (unsigned char b : bytes) {
    if (b < 0x80) {
      *o++ = static_cast<char>(b);
      continue;
    }
    if (!high) high = HighHalf(codePage);
    const char16_t c = high[b - 128];
    if (c < 0x80) {
      *o++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *o++ = static_cast<char>(0xC0 | (c >> 6));
      *o++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *o++ = static_cast<char>(0xE0 | (c >> 12));
      *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *o++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}

std::string FromUtf8(std::string_view s, int codePage) {
  const auto& rev = Reverse(codePage).map;
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    char32_t c;
    size_t len;
    if (b < 0x80) { c = b; len = 1; }
    else if ((b & 0xE0) == 0xC0) { c = b & 0x1F; len = 2; }
    else if ((b & 0xF0) == 0xE0) { c = b & 0x0F; len = 3; }
    else if ((b & 0xF8) == 0xF0) { c = b & 0x07; len = 4; }
    else { out += '?'; ++i; continue; }
    if (i + len > s.size()) { out += '?'; break; }
    bool ok = true;
    for (size_t k = 1; k < len; ++k) {
      unsigned char cb = static_cast<unsigned char>(s[i + k]);
      if ((cb & 0xC0) != 0x80) { ok = false; break; }
      c = (c << 6) | (cb & 0x3F);
    }
    if (!ok) { out += '?'; ++i; continue; }
    i += len;
    if (c < 0x80) { out += static_cast<char>(c); continue; }
    auto it = rev.find(c);
    out += it == rev.end() ? '?' : static_cast<char>(it->second);
  }
  return out;
}

}  // namespace data
