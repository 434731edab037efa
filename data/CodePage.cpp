#include "data/CodePage.h"

#include <array>
#include <cstring>
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
// Upper case of the Latin letters the three pages hold.
char32_t UpperLetter(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  switch (c) {
    case 0xFF: return 0x178;   // ÿ
    case 0x153: return 0x152;  // œ
    case 0x161: return 0x160;  // š
    case 0x17E: return 0x17D;  // ž
    default: return c;
  }
}

struct CaseTables {
  std::array<char, 256> upper, lower;
};

const CaseTables& Cases(int codePage) {
  static const auto build = [](int cp) {
    CaseTables t;
    for (int b = 0; b < 256; ++b) t.upper[b] = t.lower[b] = static_cast<char>(b);
    const auto& rev = Reverse(cp).map;
    const char16_t* high = HighHalf(cp);
    for (int b = 0; b < 256; ++b) {
      const char32_t c = b < 128 ? char32_t(b) : high[b - 128];
      const char32_t u = UpperLetter(c);
      if (u == c) continue;
      int ub = -1;
      if (u < 128) ub = static_cast<int>(u);
      else if (auto it = rev.find(u); it != rev.end()) ub = it->second;
      if (ub < 0) continue;
      t.upper[b] = static_cast<char>(ub);
      t.lower[ub] = static_cast<char>(b);
    }
    return t;
  };
  static const CaseTables t437 = build(437), t850 = build(850), t1252 = build(1252);
  switch (codePage) {
    case 437: return t437;
    case 850: return t850;
    default: return t1252;
  }
}
}  // namespace

char UpperInCodePage(unsigned char c, int codePage) { return Cases(codePage).upper[c]; }
char LowerInCodePage(unsigned char c, int codePage) { return Cases(codePage).lower[c]; }

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
  std::string out;
  AppendUtf8(bytes, codePage, out);
  return out;
}

void AppendUtf8(std::string_view bytes, int codePage, std::string& out) {
  // Runs of ASCII are copied whole; only the other bytes are converted.
  out.reserve(out.size() + bytes.size() + bytes.size() / 4);
  const char16_t* high = nullptr;
  size_t i = 0;
  while (i < bytes.size()) {
    size_t run = i;
    // Eight bytes at a time while none has its high bit set.
    for (std::uint64_t word; run + 8 <= bytes.size(); run += 8) {
      std::memcpy(&word, bytes.data() + run, 8);
      if (word & 0x8080808080808080ULL) break;
    }
    while (run < bytes.size() && static_cast<unsigned char>(bytes[run]) < 0x80) ++run;
    out.append(bytes.data() + i, run - i);
    if (run == bytes.size()) break;
    if (!high) high = HighHalf(codePage);
    const char16_t c = high[static_cast<unsigned char>(bytes[run]) - 128];
    char enc[3];
    int n;
    if (c < 0x80) {
      enc[0] = static_cast<char>(c);
      n = 1;
    } else if (c < 0x800) {
      enc[0] = static_cast<char>(0xC0 | (c >> 6));
      enc[1] = static_cast<char>(0x80 | (c & 0x3F));
      n = 2;
    } else {
      enc[0] = static_cast<char>(0xE0 | (c >> 12));
      enc[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      enc[2] = static_cast<char>(0x80 | (c & 0x3F));
      n = 3;
    }
    out.append(enc, n);
    i = run + 1;
  }
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
