#pragma once
// Field values inside a record buffer, in each level's encoding: text in the
// table's code page, ASCII numbers, YYYYMMDD dates, dBase 7 binary integers
// (big-endian, sign bit inverted), order-preserving doubles and timestamps.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/DateTime.h"
#include "data/DbfHeader.h"

namespace data {

// Numbers of N F I O + fields; a blank or unreadable field reads as 0.
double ReadNumber(const DbfField& f, const char* record, DbfLevel level);
// D fields (the day) and @ timestamps; nullopt for a blank date.
std::optional<TDateTime> ReadDate(const DbfField& f, const char* record);
// C fields with trailing blanks removed, as UTF-8, appended to `out`.
void AppendText(const DbfField& f, const char* record, int codePage, std::string& out);
// The same text as stored (code page bytes), a view into the record.
std::string_view StoredChars(const DbfField& f, const char* record);
// L fields: nullopt for '?' or blank.
std::optional<bool> ReadLogical(const DbfField& f, const char* record);
// M fields: block number, 0 for none.
std::uint32_t ReadMemoBlock(const DbfField& f, const char* record);

// Writers throw DbError when the value does not fit the field.
void WriteNumber(const DbfField& f, char* record, DbfLevel level, double value);
void WriteDate(const DbfField& f, char* record, std::optional<TDateTime> value);
void WriteText(const DbfField& f, char* record, int codePage, const std::string& utf8);
void WriteLogical(const DbfField& f, char* record, std::optional<bool> value);
void WriteMemoBlock(const DbfField& f, char* record, std::uint32_t block);
void ClearField(const DbfField& f, char* record);

bool IsNumericType(char type);
bool IsDateType(char type);

}  // namespace data
