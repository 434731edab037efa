#include "data/FieldCodec.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/CodePage.h"
#include "data/DbError.h"

namespace data {
namespace {

// Days from 01/01/0001 (day 1) to 30/12/1899, as Delphi's timestamps count them.
constexpr double kTimestampDateDelta = 693594.0;

std::uint64_t ReadBE64(const char* p) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  return v;
}
void WriteBE64(char* p, std::uint64_t v) {
  for (int i = 7; i >= 0; --i) { p[i] = static_cast<char>(v & 0xFF); v >>= 8; }
}

// Order-preserving double (dBase 7 O and @): positive values have the sign
// bit set, negative values are stored with every bit inverted.
double DecodeOrderedDouble(const char* p) {
  std::uint64_t v = ReadBE64(p);
  if (v == 0) return 0.0;
  v = (v & 0x8000000000000000ULL) ? (v & ~0x8000000000000000ULL) : ~v;
  double d;
  std::memcpy(&d, &v, 8);
  return d;
}
void EncodeOrderedDouble(char* p, double d) {
  std::uint64_t v;
  std::memcpy(&v, &d, 8);
  v = (v & 0x8000000000000000ULL) ? ~v : (v | 0x8000000000000000ULL);
  WriteBE64(p, v);
}

bool AllBlank(const char* p, int n) {
  for (int i = 0; i < n; ++i)
    if (p[i] != ' ' && p[i] != '\0') return false;
  return true;
}

[[noreturn]] void TooLong(const DbfField& f, const std::string& value) {
  throw DbError("El valor " + value + " no cabe en el campo " + f.name + ".");
}
// The common case of a numeric field, a whole number padded with blanks
// ("   42", "  -7", "  12.00"), read without strtod: a view reads several per
// record. Anything else (fractions, exponents, stray characters, more
// digits than a double holds exactly, a blank field) is left to strtod.
std::optional<double> ReadWholeNumberText(const char* p, int length) {
  int i = 0;
  while (i < length && p[i] == ' ') ++i;
  const bool negative = i < length && p[i] == '-';
  if (negative) ++i;
  const int first = i;
  std::int64_t v = 0;
  // Digits past the fifteenth are counted, not added: they would overflow.
  for (; i < length && p[i] >= '0' && p[i] <= '9'; ++i)
    if (i - first < 15) v = v * 10 + (p[i] - '0');
  const int digits = i - first;
  if (digits == 0 || digits > 15) return std::nullopt;
  if (i < length && (p[i] == '.' || p[i] == ',')) {
    for (++i; i < length && p[i] == '0'; ++i) {
    }
  }
  while (i < length && p[i] == ' ') ++i;
  if (i != length) return std::nullopt;
  const double d = static_cast<double>(v);
  return negative ? -d : d;
}

}  // namespace

bool IsNumericType(char t) { return t == 'N' || t == 'F' || t == 'I' || t == 'O' || t == '+'; }
bool IsDateType(char t) { return t == 'D' || t == '@'; }

double ReadNumber(const DbfField& f, const char* record, DbfLevel level) {
  const char* p = record + f.offset;
  switch (f.type) {
    case 'I':
    case '+': {
      if (f.length != 4) return 0;
      if (level == DbfLevel::FoxPro) return static_cast<std::int32_t>(ReadU32(p));
      std::uint32_t v = (static_cast<std::uint32_t>(static_cast<unsigned char>(p[0])) << 24) |
                        (static_cast<unsigned char>(p[1]) << 16) | (static_cast<unsigned char>(p[2]) << 8) |
                        static_cast<unsigned char>(p[3]);
      if (v == 0) return 0;
      return static_cast<std::int32_t>(v ^ 0x80000000U);
    }
    case 'O':
      return f.length == 8 ? DecodeOrderedDouble(p) : 0;
    case 'N':
    case 'F': {
      if (const auto whole = ReadWholeNumberText(p, f.length)) return *whole;
      char buf[256];
      int n = std::min(f.length, 255);
      std::memcpy(buf, p, n);
      buf[n] = 0;
      for (int i = 0; i < n; ++i)
        if (buf[i] == ',') buf[i] = '.';
      char* end = nullptr;
      double d = std::strtod(buf, &end);
      if (end == buf || !std::isfinite(d)) return 0;
      return d;
    }
    default:
      return 0;
  }
}

std::optional<TDateTime> ReadDate(const DbfField& f, const char* record) {
  const char* p = record + f.offset;
  if (f.type == '@') {
    if (f.length != 8 || ReadBE64(p) == 0) return std::nullopt;
    double ms = DecodeOrderedDouble(p);
    if (!std::isfinite(ms) || ms <= 0) return std::nullopt;
    return ms / 86400000.0 - kTimestampDateDelta;
  }
  if (f.type != 'D' || f.length != 8 || AllBlank(p, 8)) return std::nullopt;
  int parts[3] = {0, 0, 0};
  const int widths[3] = {4, 2, 2};
  int pos = 0;
  for (int k = 0; k < 3; ++k) {
    for (int i = 0; i < widths[k]; ++i, ++pos) {
      char c = p[pos];
      if (c == ' ') c = '0';
      if (c < '0' || c > '9') return std::nullopt;
      parts[k] = parts[k] * 10 + (c - '0');
    }
  }
  TDate d;
  if (!dt::TryEncodeDate(parts[0], parts[1], parts[2], d)) return std::nullopt;
  return d;
}

void AppendText(const DbfField& f, const char* record, int codePage, std::string& out) {
  AppendUtf8(StoredChars(f, record), codePage, out);
}

std::string_view StoredChars(const DbfField& f, const char* record) {
  const char* p = record + f.offset;
  int n = f.length;
  // Wide fields are mostly trailing blanks: drop them sixteen or eight at a
  // time while every byte is a blank or a zero (b & 0xDF == 0 for exactly
  // those two).
#if defined(__SSE2__)
  const __m128i mask = _mm_set1_epi8(static_cast<char>(0xDF));
  for (; n >= 16; n -= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16));
    const int blanks = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, mask), _mm_setzero_si128()));
    if (blanks != 0xFFFF) {
      // The last byte that is not blank ends the text.
      n -= std::countl_zero(static_cast<std::uint16_t>(~blanks));
      return std::string_view(p, static_cast<std::size_t>(n));
    }
  }
#endif
  for (std::uint64_t word; n >= 8; n -= 8) {
    std::memcpy(&word, p + n - 8, 8);
    if (word & 0xDFDFDFDFDFDFDFDFULL) break;
  }
  while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0')) --n;
  return std::string_view(p, static_cast<std::size_t>(n));
}

std::optional<bool> ReadLogical(const DbfField& f, const char* record) {
  switch (record[f.offset]) {
    case 'T': case 't': case 'Y': case 'y': return true;
    case 'F': case 'f': case 'N': case 'n': return false;
    default: return std::nullopt;
  }
}

std::uint32_t ReadMemoBlock(const DbfField& f, const char* record) {
  const char* p = record + f.offset;
  if (f.length == 4) return ReadU32(p);
  std::uint64_t v = 0;
  for (int i = 0; i < f.length; ++i) {
    if (p[i] >= '0' && p[i] <= '9') v = v * 10 + (p[i] - '0');
    if (v > 0xFFFFFFFFULL) return 0;
  }
  return static_cast<std::uint32_t>(v);
}

void WriteNumber(const DbfField& f, char* record, DbfLevel level, double value) {
  char* p = record + f.offset;
  switch (f.type) {
    case 'I':
    case '+': {
      double r = std::round(value);
      if (r < -2147483647.0 || r > 2147483647.0) TooLong(f, std::to_string(value));
      auto iv = static_cast<std::int32_t>(r);
      if (level == DbfLevel::FoxPro) {
        WriteU32(p, static_cast<std::uint32_t>(iv));
      } else {
        std::uint32_t u = static_cast<std::uint32_t>(iv) ^ 0x80000000U;
        p[0] = static_cast<char>(u >> 24); p[1] = static_cast<char>(u >> 16);
        p[2] = static_cast<char>(u >> 8); p[3] = static_cast<char>(u);
      }
      return;
    }
    case 'O':
      EncodeOrderedDouble(p, value);
      return;
    case 'N':
    case 'F': {
      if (!std::isfinite(value)) TooLong(f, "no numérico");
      char buf[64];
      int dec = std::min(f.decimals, 15);
      int n = std::snprintf(buf, sizeof buf, "%.*f", dec, value);
      if (n > f.length && dec > 0) {
        // Too many decimals for the width: keep the integral digits.
        for (int d = dec - 1; d >= 0 && n > f.length; --d)
          n = std::snprintf(buf, sizeof buf, "%.*f", d, value);
      }
      if (n < 0 || n > f.length) TooLong(f, buf);
      if (std::strcmp(buf, "-0") == 0) std::strcpy(buf, "0"), n = 1;
      std::memset(p, ' ', f.length);
      std::memcpy(p + f.length - n, buf, n);
      return;
    }
    default:
      throw DbError("El campo " + f.name + " no es numérico.");
  }
}

void WriteDate(const DbfField& f, char* record, std::optional<TDateTime> value) {
  char* p = record + f.offset;
  if (f.type == '@') {
    if (!value) std::memset(p, 0, 8);
    else EncodeOrderedDouble(p, std::round((*value + kTimestampDateDelta) * 86400000.0));
    return;
  }
  if (f.type != 'D') throw DbError("El campo " + f.name + " no es de fecha.");
  if (!value) { std::memset(p, ' ', 8); return; }
  int y, m, d;
  dt::DecodeDate(*value, y, m, d);
  if (y < 1 || y > 9999) throw DbError("La fecha no cabe en el campo " + f.name + ".");
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
  std::memcpy(p, buf, 8);
}

void WriteText(const DbfField& f, char* record, int codePage, const std::string& utf8) {
  char* p = record + f.offset;
  std::string bytes = FromUtf8(utf8, codePage);
  size_t n = std::min<size_t>(bytes.size(), f.length);
  std::memset(p, ' ', f.length);
  std::memcpy(p, bytes.data(), n);
}

void WriteLogical(const DbfField& f, char* record, std::optional<bool> value) {
  record[f.offset] = !value ? '?' : (*value ? 'T' : 'F');
}

void WriteMemoBlock(const DbfField& f, char* record, std::uint32_t block) {
  char* p = record + f.offset;
  if (f.length == 4) { WriteU32(p, block); return; }
  std::memset(p, ' ', f.length);
  if (block == 0) return;
  std::string s = std::to_string(block);
  if (s.size() > static_cast<size_t>(f.length)) throw DbError("El fichero de memos es demasiado grande.");
  std::memcpy(p + f.length - s.size(), s.data(), s.size());
}

void ClearField(const DbfField& f, char* record) {
  char* p = record + f.offset;
  switch (f.type) {
    case 'I': case '+': case 'O': case '@':
      std::memset(p, 0, f.length);
      break;
    default:
      std::memset(p, ' ', f.length);
  }
}

}  // namespace data
