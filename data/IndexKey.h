#pragma once
// Index keys in the byte form of dBase IV production indexes: character keys
// are the field's bytes padded with blanks, numeric keys a 12-byte BCD form,
// date keys the Julian day number as a little-endian double. Entries of one
// tag are ordered by key, then by record number.
#include <cstdint>
#include <optional>
#include <string>

#include "core/DateTime.h"

namespace data {

enum class KeyType : char { Character = 'C', Numeric = 'N', Date = 'D' };

constexpr int kNumericKeyLength = 12;
constexpr int kDateKeyLength = 8;
// Julian day number of 30/12/1899, the day 0 of TDateTime.
constexpr double kJulianOfDay0 = 2415019.0;

std::string NumericKey(double value);
double NumericKeyValue(const char* key);
std::string DateKey(std::optional<TDateTime> day);
std::optional<TDateTime> DateKeyValue(const char* key);
std::string CharacterKey(const std::string& bytes, int length);

// <0, 0, >0 as a orders before, with or after b.
int CompareKeys(KeyType type, const char* a, const char* b, int length);

}  // namespace data
