#include "data/DbfHeader.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "data/CodePage.h"
#include "data/DbError.h"
#include "data/NameCase.h"

namespace data {

std::uint32_t ReadU32(const void* p) {
  const auto* b = static_cast<const unsigned char*>(p);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}
std::uint16_t ReadU16(const void* p) {
  const auto* b = static_cast<const unsigned char*>(p);
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}
void WriteU32(void* p, std::uint32_t v) {
  auto* b = static_cast<unsigned char*>(p);
  b[0] = v & 0xFF; b[1] = (v >> 8) & 0xFF; b[2] = (v >> 16) & 0xFF; b[3] = (v >> 24) & 0xFF;
}
void WriteU16(void* p, std::uint16_t v) {
  auto* b = static_cast<unsigned char*>(p);
  b[0] = v & 0xFF; b[1] = (v >> 8) & 0xFF;
}

int DbfHeader::FieldIndex(const std::string& upperName) const {
  for (size_t i = 0; i < fields.size(); ++i)
    if (fields[i].name == upperName) return static_cast<int>(i);
  return -1;
}

bool DbfHeader::HasMemoFields() const {
  return std::any_of(fields.begin(), fields.end(), [](const DbfField& f) {
    return f.type == 'M' || f.type == 'B' || f.type == 'G';
  });
}

std::uint16_t HeaderLengthOf(const std::string& first32) {
  return first32.size() >= 10 ? ReadU16(first32.data() + 8) : 0;
}

DbfHeader ParseDbfHeader(const std::string& b, std::uint64_t fileSize, const std::string& fileName) {
  auto fail = [&](const std::string& why) {
    throw DbError("El fichero " + fileName + " no es una tabla dBase válida: " + why + ".");
  };
  if (b.size() < 32) fail("la cabecera está incompleta");
  DbfHeader h;
  h.version = static_cast<std::uint8_t>(b[0]);
  const std::uint8_t v = h.version;
  switch (v) {
    case 0x03: h.level = DbfLevel::dBase3; break;
    case 0x83: h.level = DbfLevel::dBase3; h.memoStyle = MemoStyle::dBase3; break;
    case 0x04: h.level = DbfLevel::dBase7; break;
    case 0x8C: h.level = DbfLevel::dBase7; h.memoStyle = MemoStyle::dBase4; break;
    case 0x05: case 0x43: case 0x63: h.level = DbfLevel::dBase4; break;
    // 0x84: dBase IV with memo as some other writers mark it.
    case 0x84: case 0x8B: case 0x8E: case 0xCB: h.level = DbfLevel::dBase4; h.memoStyle = MemoStyle::dBase4; break;
    case 0x02: case 0x30: case 0x31: case 0x32: h.level = DbfLevel::FoxPro; break;
    case 0xF5: case 0xFB: h.level = DbfLevel::FoxPro; h.memoStyle = MemoStyle::FoxPro; break;
    default: fail("nivel desconocido");
  }
  h.recordCount = ReadU32(b.data() + 4);
  h.headerLength = ReadU16(b.data() + 8);
  h.recordLength = ReadU16(b.data() + 10);
  h.mdxFlag = static_cast<std::uint8_t>(b[28]);
  h.languageDriver = static_cast<std::uint8_t>(b[29]);
  if (h.level == DbfLevel::dBase7) {
    h.descriptorSize = 48;
    h.descriptorStart = 68;
  }
  if (h.headerLength < h.descriptorStart + 1 || h.headerLength > b.size())
    fail("la longitud de la cabecera es incorrecta");
  if (h.recordLength < 1) fail("la longitud de registro es cero");
  if (h.level == DbfLevel::dBase7) {
    std::string driver(b.data() + 32, b.data() + 64);
    h.codePage = driver[0] ? CodePageOfDriverName(driver) : CodePageOfLanguageDriver(h.languageDriver);
  } else {
    h.codePage = CodePageOfLanguageDriver(h.languageDriver);
  }
  int offset = 1;
  for (size_t pos = h.descriptorStart; pos + h.descriptorSize <= h.headerLength; pos += h.descriptorSize) {
    if (static_cast<unsigned char>(b[pos]) == 0x0D) break;
    const char* d = b.data() + pos;
    DbfField f;
    const int nameLen = h.level == DbfLevel::dBase7 ? 32 : 11;
    size_t n = 0;
    while (n < static_cast<size_t>(nameLen) && d[n] != 0) ++n;
    f.name.assign(d, n);
    while (!f.name.empty() && f.name.back() == ' ') f.name.pop_back();
    f.name = Upper(f.name);
    if (h.level == DbfLevel::dBase7) {
      f.type = d[32];
      f.length = static_cast<unsigned char>(d[33]);
      f.decimals = static_cast<unsigned char>(d[34]);
      f.indexFlag = d[37] != 0;
    } else {
      f.type = d[11];
      f.length = static_cast<unsigned char>(d[16]);
      f.decimals = static_cast<unsigned char>(d[17]);
      if (h.level == DbfLevel::FoxPro && f.type == 'C') f.length |= static_cast<unsigned char>(d[17]) << 8;
      // dBase IV writes level 0x03 for a table without memo fields: with
      // byte 28 set, byte 31 of each descriptor still marks the indexed fields.
      f.indexFlag = (h.level == DbfLevel::dBase4 || (h.level == DbfLevel::dBase3 && h.mdxFlag != 0)) && d[31] != 0;
    }
    if (f.length == 0) fail("el campo " + f.name + " tiene longitud cero");
    f.offset = offset;
    offset += f.length;
    if (offset > h.recordLength) fail("los campos no caben en el registro");
    h.fields.push_back(f);
  }
  if (h.fields.empty()) fail("no tiene campos");
  const std::uint64_t needed =
      static_cast<std::uint64_t>(h.headerLength) + static_cast<std::uint64_t>(h.recordCount) * h.recordLength;
  if (needed > fileSize) {
    // A count beyond the file (an interrupted append of another program):
    // only whole records present in the file exist.
    h.recordCount = static_cast<std::uint32_t>((fileSize - std::min<std::uint64_t>(fileSize, h.headerLength)) /
                                               h.recordLength);
  }
  if (h.memoStyle == MemoStyle::None && h.HasMemoFields())
    h.memoStyle = h.level == DbfLevel::FoxPro ? MemoStyle::FoxPro
                  : h.level == DbfLevel::dBase3 ? MemoStyle::dBase3 : MemoStyle::dBase4;
  return h;
}

void StampLastUpdate(char* header) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  header[1] = static_cast<char>(tm.tm_year);  // years since 1900
  header[2] = static_cast<char>(tm.tm_mon + 1);
  header[3] = static_cast<char>(tm.tm_mday);
}

std::string BuildDbfHeader(const std::vector<DbfField>& fields, bool withMdx) {
  const size_t headerLength = 32 + 32 * fields.size() + 1;
  std::string b(headerLength, '\0');
  bool memo = false;
  int recordLength = 1;
  for (const auto& f : fields) {
    memo = memo || f.type == 'M';
    recordLength += f.length;
  }
  b[0] = static_cast<char>(memo ? 0x8B : 0x03);
  StampLastUpdate(b.data());
  WriteU16(&b[8], static_cast<std::uint16_t>(headerLength));
  WriteU16(&b[10], static_cast<std::uint16_t>(recordLength));
  b[kHdrMdxFlag] = withMdx ? 1 : 0;
  b[kHdrLanguageDriver] = static_cast<char>(LanguageDriverOfCodePage(1252));
  for (size_t i = 0; i < fields.size(); ++i) {
    char* d = &b[32 + 32 * i];
    std::memcpy(d, fields[i].name.data(), std::min<size_t>(10, fields[i].name.size()));
    d[11] = fields[i].type;
    d[16] = static_cast<char>(fields[i].length);
    d[17] = static_cast<char>(fields[i].decimals);
    d[31] = fields[i].indexFlag ? 1 : 0;
  }
  b[headerLength - 1] = 0x0D;
  return b;
}

}  // namespace data
