#include "data/MemoFile.h"

#include <algorithm>
#include <cstring>

#include "data/DbError.h"

namespace data {
namespace {
// Longer memos have their length checked against the file before anything
// is allocated for them.
constexpr std::uint64_t kTrustedMemoLength = 1 << 20;

std::uint32_t ReadBE32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return (static_cast<std::uint32_t>(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
}

// The text length a memo block's 8-byte header gives; false when the block
// has no such header (dBase III style text ended by 0x1A).
bool LengthInHeader(const char* head, MemoStyle style, std::uint64_t& len) {
  const auto* h = reinterpret_cast<const unsigned char*>(head);
  if (style == MemoStyle::FoxPro) {
    len = ReadBE32(head + 4);
    return true;
  }
  if (h[0] == 0xFF && h[1] == 0xFF && h[2] == 0x08 && h[3] == 0x00) {
    len = ReadU32(head + 4);
    len = len >= 8 ? len - 8 : 0;
    return true;
  }
  return false;
}
}  // namespace

void MemoFile::Open(const std::string& path, MemoStyle style, bool writable) {
  file_.Open(path, writable);
  file_.MapForReading();
  style_ = style;
  char header[32] = {};
  file_.ReadAt(0, header, sizeof header);
  blockSize_ = 512;
  if (style == MemoStyle::dBase4) {
    std::uint16_t size = ReadU16(header + 20);
    if (size >= 64 && size % 64 == 0) blockSize_ = size;
  } else if (style == MemoStyle::FoxPro) {
    std::uint16_t size = static_cast<std::uint16_t>((static_cast<unsigned char>(header[6]) << 8) |
                                                    static_cast<unsigned char>(header[7]));
    blockSize_ = size ? size : 64;
  }
}

void MemoFile::CreateDbase4(const std::string& path, const std::string& tableName) {
  File f;
  f.Create(path);
  std::string header(512, '\0');
  WriteU32(&header[0], 1);  // next free block
  std::string name = tableName.substr(0, 8);
  std::memcpy(&header[8], name.data(), name.size());
  header[16] = 0x00;
  header[17] = 0x00;
  header[18] = 0x02;
  header[19] = 0x01;
  WriteU16(&header[20], 512);
  f.WriteAt(0, header.data(), header.size());
  f.Sync();
}

void MemoFile::Truncate() {
  file_.Truncate(blockSize_);
  char next[4];
  WriteU32(next, 1);
  file_.WriteAt(0, next, 4);
}

std::string MemoFile::Read(std::uint32_t block) const {
  std::string out;
  Read(block, out);
  return out;
}

void MemoFile::Read(std::uint32_t block, std::string& out) const {
  out.clear();
  if (block == 0) return;
  // Most memos fit in their first block: one read, no size check needed;
  // a longer one of sane length takes one more read for the rest.
  if (style_ != MemoStyle::dBase3) {
    char buffer[1024];
    const std::uint64_t at = static_cast<std::uint64_t>(block) * blockSize_;
    const size_t want = std::min<size_t>(sizeof buffer, blockSize_);
    // Inside the mapped part the block is read where it lies: only the
    // memo's own bytes are copied, not the whole first block.
    const char* first = file_.View(at, want);
    const size_t got = first ? want : file_.ReadAt(at, buffer, want);
    if (!first) first = buffer;
    if (got >= 8) {
      std::uint64_t len = 0;
      const bool known = LengthInHeader(first, style_, len);
      if (known && 8 + len <= got) {
        out.assign(first + 8, len);
        return;
      }
      if (known && got == want && len <= kTrustedMemoLength) {
        out.resize(len);
        std::memcpy(out.data(), first + 8, got - 8);
        if (file_.ReadAt(at + got, out.data() + (got - 8), len - (got - 8)) == len - (got - 8)) return;
        // Cut short: the checks below say what is wrong.
        out.clear();
      }
    }
  }
  const std::uint64_t size = file_.Size();
  const std::uint64_t offset = static_cast<std::uint64_t>(block) * blockSize_;
  if (offset >= size) throw DbError("El fichero de memos " + file_.Path() + " está dañado: falta el bloque " +
                                    std::to_string(block) + ".");
  const std::uint64_t available = size - offset;
  char head[8] = {};
  file_.ReadAt(offset, head, 8);
  if (std::uint64_t len = 0; LengthInHeader(head, style_, len)) {
    if (len > available - std::min<std::uint64_t>(available, 8))
      throw DbError("El fichero de memos " + file_.Path() + " está dañado.");
    out.resize(len);
    file_.ReadExact(offset + 8, out.data(), len);
    return;
  }
  // dBase III: text up to the first 0x1A, read a block at a time.
  std::string chunk(blockSize_, '\0');
  for (std::uint64_t pos = offset; pos < size; pos += blockSize_) {
    size_t n = file_.ReadAt(pos, chunk.data(), blockSize_);
    auto end = std::find(chunk.begin(), chunk.begin() + n, '\x1A');
    out.append(chunk.begin(), end);
    if (end != chunk.begin() + n || n < blockSize_) break;
  }
}

MemoFile::Mark MemoFile::MarkEnd() const {
  Mark m;
  m.size = file_.Size();
  file_.ReadAt(0, m.next, 4);
  return m;
}

void MemoFile::BackTo(const Mark& mark) {
  file_.WriteAt(0, mark.next, 4);
  if (file_.Size() > mark.size) file_.Truncate(mark.size);
}

std::string_view MemoFile::Bytes(std::uint32_t block, std::string& scratch) const {
  if (block == 0) return {};
  if (style_ != MemoStyle::dBase3) {
    const std::uint64_t at = static_cast<std::uint64_t>(block) * blockSize_;
    std::uint64_t len = 0;
    if (const char* head = file_.View(at, 8); head && LengthInHeader(head, style_, len))
      if (const char* text = file_.View(at + 8, len)) return {text, len};
  }
  Read(block, scratch);
  return scratch;
}

std::uint32_t MemoFile::Append(const std::string& bytes) {
  if (bytes.empty()) return 0;
  const std::uint64_t size = file_.Size();
  char header[4] = {};
  file_.ReadAt(0, header, 4);
  const std::uint32_t stored = style_ == MemoStyle::FoxPro ? ReadBE32(header) : ReadU32(header);
  std::uint64_t next = std::max<std::uint64_t>(stored, (size + blockSize_ - 1) / blockSize_);
  if (next == 0) next = 1;
  std::string block;
  if (style_ == MemoStyle::dBase3) {
    block = bytes + "\x1A\x1A";
  } else if (style_ == MemoStyle::FoxPro) {
    block.assign(8, '\0');
    block[3] = 1;  // text
    std::uint32_t len = static_cast<std::uint32_t>(bytes.size());
    for (int i = 0; i < 4; ++i) block[4 + i] = static_cast<char>(len >> (24 - 8 * i));
    block += bytes;
  } else {
    block.assign("\xFF\xFF\x08\x00", 4);
    block.resize(8);
    WriteU32(&block[4], static_cast<std::uint32_t>(bytes.size() + 8));
    block += bytes;
    // Readers that take the length as counting only the text stop at 0x1F.
    block += '\x1F';
    block.resize(block.size() + 7, '\0');
  }
  const std::uint64_t blocks = (block.size() + blockSize_ - 1) / blockSize_;
  block.resize(blocks * blockSize_, '\0');
  if (next + blocks > 0xFFFFFFFFULL) throw DbError("El fichero de memos " + file_.Path() + " está lleno.");
  file_.WriteAt(next * blockSize_, block.data(), block.size());
  char newNext[4];
  const auto end = static_cast<std::uint32_t>(next + blocks);
  if (style_ == MemoStyle::FoxPro) {
    for (int i = 0; i < 4; ++i) newNext[i] = static_cast<char>(end >> (24 - 8 * i));
  } else {
    WriteU32(newNext, end);
  }
  file_.WriteAt(0, newNext, 4);
  return static_cast<std::uint32_t>(next);
}

}  // namespace data
