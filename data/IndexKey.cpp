#include "data/IndexKey.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace data {
namespace {
// A decoded BCD key: sign, power of ten of the first digit, digits.
struct Bcd {
  bool negative = false;
  int exponent = 0;  // number of digits before the decimal point
  int count = 0;     // significant digits held
  unsigned char digits[20] = {};
};

Bcd Decode(const char* key) {
  Bcd b;
  const auto* k = reinterpret_cast<const unsigned char*>(key);
  b.count = (k[1] >> 2) & 0x1F;
  if (b.count > 20) b.count = 20;
  b.negative = (k[1] & 0x80) != 0;
  b.exponent = static_cast<int>(k[0]) - 0x34;
  for (int i = 0; i < b.count; ++i) {
    unsigned char byte = k[2 + i / 2];
    b.digits[i] = i % 2 == 0 ? (byte >> 4) : (byte & 0x0F);
  }
  while (b.count > 0 && b.digits[b.count - 1] == 0) --b.count;
  if (b.count == 0) b.negative = false;
  return b;
}

int CompareMagnitude(const Bcd& a, const Bcd& b) {
  if (a.count == 0 || b.count == 0) return (a.count != 0) - (b.count != 0);
  if (a.exponent != b.exponent) return a.exponent < b.exponent ? -1 : 1;
  for (int i = 0; i < 20; ++i) {
    unsigned char da = i < a.count ? a.digits[i] : 0;
    unsigned char db = i < b.count ? b.digits[i] : 0;
    if (da != db) return da < db ? -1 : 1;
  }
  return 0;
}
}  // namespace

std::string NumericKey(double value) {
  std::string key(kNumericKeyLength, '\0');
  const double magnitude = std::fabs(value);
  std::string s;
  if (magnitude < 1e15 && magnitude == std::floor(magnitude)) {
    // Whole numbers (most keys) need no formatting of a double.
    auto whole = static_cast<std::uint64_t>(magnitude);
    char digits[24];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + whole % 10);
      whole /= 10;
    } while (whole);
    s.assign(std::make_reverse_iterator(digits + n), std::make_reverse_iterator(digits));
  } else {
    char text[400];
    std::snprintf(text, sizeof text, "%.10f", magnitude);
    s = text;
  }
  // Leading zeros go; so do trailing zeros of the fraction and a bare point.
  size_t dot = s.find('.');
  if (dot != std::string::npos) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  size_t first = s.find_first_not_of('0');
  s = first == std::string::npos ? "" : s.substr(first);
  dot = s.find('.');
  std::string digits;
  int exponent;
  if (dot == std::string::npos) {
    digits = s;
    exponent = static_cast<int>(s.size());
  } else if (dot == 0) {
    size_t nz = s.find_first_not_of('0', 1);
    exponent = -static_cast<int>(nz - 1);
    digits = s.substr(nz);
  } else {
    exponent = static_cast<int>(dot);
    digits = s.substr(0, dot) + s.substr(dot + 1);
  }
  if (digits.size() > 20) digits.resize(20);
  if (digits.empty()) exponent = 0;
  key[0] = static_cast<char>(0x34 + exponent);
  unsigned char b1 = static_cast<unsigned char>((digits.size() << 2) | 0x01);
  if (value < 0 && !digits.empty()) b1 |= 0x80;
  key[1] = static_cast<char>(b1);
  for (size_t i = 0; i < digits.size(); ++i) {
    unsigned char d = static_cast<unsigned char>(digits[i] - '0');
    key[2 + i / 2] = static_cast<char>(static_cast<unsigned char>(key[2 + i / 2]) | (i % 2 == 0 ? d << 4 : d));
  }
  return key;
}

double NumericKeyValue(const char* key) {
  Bcd b = Decode(key);
  double v = 0;
  for (int i = 0; i < b.count; ++i) v += b.digits[i] * std::pow(10.0, b.exponent - 1 - i);
  return b.negative ? -v : v;
}

std::string DateKey(std::optional<TDateTime> day) {
  double v = day ? std::floor(*day) + kJulianOfDay0 : 0.0;
  std::string key(kDateKeyLength, '\0');
  std::memcpy(key.data(), &v, 8);
  return key;
}

std::optional<TDateTime> DateKeyValue(const char* key) {
  double v;
  std::memcpy(&v, key, 8);
  if (v == 0.0 || !std::isfinite(v)) return std::nullopt;
  return v - kJulianOfDay0;
}

std::string CharacterKey(const std::string& bytes, int length) {
  std::string key = bytes.substr(0, length);
  key.resize(length, ' ');
  return key;
}

int CompareKeys(KeyType type, const char* a, const char* b, int length) {
  switch (type) {
    case KeyType::Numeric: {
      Bcd x = Decode(a), y = Decode(b);
      if (x.negative != y.negative) return x.negative ? -1 : 1;
      int m = CompareMagnitude(x, y);
      return x.negative ? -m : m;
    }
    case KeyType::Date: {
      double x, y;
      std::memcpy(&x, a, 8);
      std::memcpy(&y, b, 8);
      if (std::isnan(x)) x = 0;
      if (std::isnan(y)) y = 0;
      return x < y ? -1 : (x > y ? 1 : 0);
    }
    default:
      return std::memcmp(a, b, length);
  }
}

}  // namespace data
