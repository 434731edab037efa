#pragma once
// The DBF file header: level byte, record count, lengths, flags and field
// descriptors, for the dBase III/IV/5, dBase 7 and FoxBASE/FoxPro families.
// Parsing trusts the header length at offsets 8-9 and rejects anything that
// would make a record or field reach outside the record length.
#include <cstdint>
#include <string>
#include <vector>

namespace data {

enum class DbfLevel { dBase3, dBase4, dBase7, FoxPro };
enum class MemoStyle { None, dBase3, dBase4, FoxPro };

struct DbfField {
  std::string name;        // upper case as stored
  char type = 'C';         // C N F D L M I O + @ ...
  int length = 0;
  int decimals = 0;
  int offset = 0;          // within the record, after the deleted flag
  bool indexFlag = false;  // dBase IV/7: the field has a production index tag
};

struct DbfHeader {
  std::uint8_t version = 0x03;
  DbfLevel level = DbfLevel::dBase4;
  MemoStyle memoStyle = MemoStyle::None;
  std::uint32_t recordCount = 0;
  std::uint16_t headerLength = 0;
  std::uint16_t recordLength = 0;
  std::uint8_t mdxFlag = 0;          // byte 28 (dBase IV/7): a production index exists
  std::uint8_t languageDriver = 0;   // byte 29
  int codePage = 1252;
  std::vector<DbfField> fields;
  int descriptorSize = 32;           // 48 for dBase 7
  int descriptorStart = 32;          // 68 for dBase 7

  int FieldIndex(const std::string& upperName) const;  // -1 when absent
  bool HasMemoFields() const;
};

// Offsets of the header fields this engine rewrites in place.
constexpr int kHdrRecordCount = 4;
constexpr int kHdrChangeCounter = 16;  // multi-user area: our change counter (u32 LE)
constexpr int kHdrMdxFlag = 28;
constexpr int kHdrLanguageDriver = 29;

// Throws DbError naming `fileName` for a header that cannot be right.
DbfHeader ParseDbfHeader(const std::string& bytes, std::uint64_t fileSize, const std::string& fileName);

// Reads how many bytes of the header must be fetched before parsing (>= 32).
std::uint16_t HeaderLengthOf(const std::string& first32);

// A new dBase IV table (0x8B with memo fields, 0x03 without), code page 1252.
std::string BuildDbfHeader(const std::vector<DbfField>& fields, bool withMdx);
// Writes today's date, the date of the last update, into bytes 1-3 of a
// table header (year since 1900, month, day).
void StampLastUpdate(char* header);

std::uint32_t ReadU32(const void* p);
std::uint16_t ReadU16(const void* p);
void WriteU32(void* p, std::uint32_t v);
void WriteU16(void* p, std::uint16_t v);

}  // namespace data
