// The index file itself: creating it, opening it and checking its header
// (with the mirror of the table's state and the last commit's page list)
// and its tag table, and adding tags. The pages and commits are in
// MdxCommit.cpp, the tags' B-trees in MdxTag*.cpp.
#include "data/MdxFile.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "data/DbError.h"
#include "data/DbfHeader.h"
#include "data/MdxLayout.h"
#include "data/MdxTag.h"
#include "data/NameCase.h"

namespace data {

using namespace mdxlayout;

void mdxlayout::StampDate(char* p) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  p[0] = static_cast<char>(tm.tm_year % 100);
  p[1] = static_cast<char>(tm.tm_mon + 1);
  p[2] = static_cast<char>(tm.tm_mday);
}

MdxFile::MdxFile() = default;
MdxFile::~MdxFile() = default;

void MdxFile::Create(const std::string& path, const std::string& tableName, const std::vector<IndexInfo>& tags,
                     std::uint32_t counter, std::uint32_t records) {
  if (tags.size() > static_cast<size_t>(kMaxTags)) throw DbError("Demasiados índices para " + path + ".");
  std::string h(kHeaderBytes, '\0');
  h[0] = 2;
  StampDate(&h[1]);
  std::string base = tableName.substr(0, 16);
  std::memcpy(&h[4], base.data(), base.size());
  WriteU16(&h[20], kPageSize / kBlockSize);
  WriteU16(&h[22], kPageSize);
  h[24] = 1;
  h[25] = 0x30;
  h[26] = kTagEntrySize;
  WriteU32(&h[32], kFirstFreeBlock);
  StampDate(&h[44]);
  File f;
  f.Create(path);
  f.WriteAt(0, h.data(), h.size());
  f.Close();
  MdxFile mdx;
  mdx.Open(path, true);
  for (const auto& t : tags) mdx.AddTag(t);
  // Empty tags are complete only for a table without records; otherwise
  // the file vouches for the table once the tags are filled and committed.
  if (records == 0) mdx.Commit(counter, records);
  else mdx.WriteChanges();
}

void MdxFile::Open(const std::string& path, bool writable) {
  file_.Open(path, writable);
  // Opened while the table's open lock is held (see File::MapForReading).
  file_.MapForReading();
  writable_ = writable;
  ReadHeader();
}

bool MdxFile::HoldsNoTags() const { return file_.IsOpen() && file_.Size() < kHeaderBytes; }

void MdxFile::Close() {
  file_.Close();
  pages_.clear();
  dirty_.clear();
  pending_.clear();
  tags_.clear();
}

void MdxFile::ReadHeader() {
  ++version_;
  pages_.clear();
  dirty_.clear();
  pending_.clear();
  tags_.clear();
  tagHeaderBlocks_.clear();
  header_.assign(kHeaderBytes, '\0');
  const std::uint64_t size = file_.Size();
  if (file_.ReadAt(0, header_.data(), kHeaderBytes) < 48 + 8)
    throw DbError("El índice " + file_.Path() + " está truncado.");
  // Version 2 is dBase IV/5, 3 dBase 7: the same page layout.
  if (header_[0] != 2 && header_[0] != 3)
    throw DbError("El índice " + file_.Path() + " es de una versión desconocida.");
  if (ReadU16(&header_[22]) != kPageSize || ReadU16(&header_[20]) != kPageSize / kBlockSize)
    throw DbError("El índice " + file_.Path() + " usa páginas de un tamaño no admitido.");
  nextBlock_ = ReadU32(&header_[32]);
  const bool pastEnd = static_cast<std::uint64_t>(nextBlock_) * kBlockSize > size + kPageSize;
  if (nextBlock_ < kFirstFreeBlock) throw DbError("El índice " + file_.Path() + " está dañado (tamaño).");
  hasMirror_ = std::memcmp(&header_[kMirrorMagicAt], kMirrorMagic, 4) == 0;
  mirror_ = hasMirror_ ? ReadU32(&header_[kMirrorAt]) : 0;
  mirrorRecords_ = hasMirror_ ? ReadU32(&header_[kMirrorAt + 4]) : 0;
  inserted_ = 0;
  pagesIntact_ = true;
  vouchedRecord_ = hasMirror_ ? ReadU32(&header_[kVouchedRecordAt]) : 0;
  std::memcpy(&vouchedRecordSum_, &header_[kVouchedRecordAt + 4], 8);
  const int journaled = hasMirror_ ? ReadU16(&header_[kJournalCountAt]) : 0;
  if (journaled > 0) {
    // The pages the last commit announced must hold what it announced.
    if (journaled > kMaxJournalPages) throw DbError("El índice " + file_.Path() + " está dañado (cabecera).");
    std::vector<std::uint32_t> blocks;
    std::vector<std::vector<char>> bytes;
    for (int i = 0; i < journaled; ++i) {
      blocks.push_back(ReadU32(&header_[kJournalBlocksAt + 4 * i]));
      bytes.emplace_back(kPageSize, '\0');
      if (blocks.back() < kFirstFreeBlock || blocks.back() >= nextBlock_ ||
          file_.ReadAt(static_cast<std::uint64_t>(blocks.back()) * kBlockSize, bytes.back().data(), kPageSize) < kPageSize) {
        pagesIntact_ = false;
        break;
      }
    }
    if (pagesIntact_) {
      std::vector<const char*> pages;
      for (const auto& b : bytes) pages.push_back(b.data());
      std::uint64_t sum = 0;
      std::memcpy(&sum, &header_[kJournalSumAt], 8);
      pagesIntact_ = PagesChecksum(blocks, pages) == sum;
    }
  }
  // A commit announces the pages it adds before writing them: a file
  // shorter than its header says is such a commit interrupted (out of step,
  // so rebuilt), unless the pages it announced are all there.
  if (pastEnd && pagesIntact_) throw DbError("El índice " + file_.Path() + " está dañado (tamaño).");
  const int used = ReadU16(&header_[28]);
  if (used > kMaxTags || static_cast<unsigned char>(header_[26]) != kTagEntrySize)
    throw DbError("El índice " + file_.Path() + " está dañado (tabla de etiquetas).");
  for (int i = 0; i < used; ++i) {
    const char* e = &header_[kTagTableStart + i * kTagEntrySize];
    const std::uint32_t hb = ReadU32(e);
    if (hb < kFirstFreeBlock || hb >= nextBlock_) throw DbError("El índice " + file_.Path() + " está dañado.");
    char th[256] = {};
    file_.ReadExact(static_cast<std::uint64_t>(hb) * kBlockSize, th, sizeof th);
    IndexInfo info;
    size_t n = 0;
    while (n < 11 && e[4 + n] != 0) ++n;
    info.name.assign(e + 4, n);
    while (!info.name.empty() && info.name.back() == ' ') info.name.pop_back();
    const char type = th[9];
    if (type != 'C' && type != 'N' && type != 'D' && type != 'F')
      throw DbError("El índice " + file_.Path() + " tiene una etiqueta de tipo desconocido.");
    info.keyType = type == 'C' ? KeyType::Character : (type == 'D' ? KeyType::Date : KeyType::Numeric);
    info.keyLength = ReadU16(th + 12);
    if (info.keyLength < 1 || info.keyLength > 240 || ReadU16(th + 18) != ItemLength(info.keyLength) ||
        (info.keyType == KeyType::Numeric && info.keyLength != kNumericKeyLength) ||
        (info.keyType == KeyType::Date && info.keyLength != kDateKeyLength))
      throw DbError("El índice " + file_.Path() + " tiene una etiqueta dañada.");
    info.unique = th[23] != 0 || (th[8] & 0x40) != 0;
    if (th[8] & 0x08) info.unkept = "la etiqueta ordena de mayor a menor";
    else if (th[245] != 0) info.unkept = "la etiqueta solo recoge los registros que cumplen una condición";
    n = 0;
    while (n < kMaxExpression && th[24 + n] != 0) ++n;
    info.expression.assign(th + 24, n);
    while (!info.expression.empty() && info.expression.back() == ' ') info.expression.pop_back();
    info.expression = UpperNames(info.expression);
    const std::uint32_t root = ReadU32(th);
    if (root < kFirstFreeBlock || root >= nextBlock_) throw DbError("El índice " + file_.Path() + " está dañado.");
    tagHeaderBlocks_.push_back(hb);
    tags_.push_back(std::make_unique<MdxTag>(*this, info, i, root));
  }
}

IndexTag& MdxFile::Tag(int i) { return *tags_.at(i); }

void MdxFile::AddTag(const IndexInfo& info) {
  const int i = TagCount();
  if (i >= kMaxTags) throw DbError("Demasiados índices en " + file_.Path() + ".");
  if (info.expression.size() > kMaxExpression)
    throw DbError("La expresión del índice " + info.name + " mide más de " + std::to_string(kMaxExpression) +
                  " caracteres, que es lo que cabe en " + file_.Path() + ".");
  const std::uint32_t hb = AllocatePage();
  char* th = PageForWrite(hb);
  std::memset(th, 0, kPageSize);
  const std::uint32_t root = AllocatePage();
  std::memset(PageForWrite(root), 0, kPageSize);
  th = PageForWrite(hb);
  WriteU32(th, root);
  WriteU32(th + 4, 2);
  th[8] = info.unique ? 0x40 : 0x10;
  th[9] = static_cast<char>(info.keyType);
  WriteU16(th + 12, static_cast<std::uint16_t>(info.keyLength));
  WriteU16(th + 14, static_cast<std::uint16_t>(MaxKeys(info.keyLength)));
  WriteU16(th + 18, static_cast<std::uint16_t>(ItemLength(info.keyLength)));
  th[23] = info.unique ? 1 : 0;
  std::memcpy(th + 24, info.expression.data(), info.expression.size());
  char* e = &header_[kTagTableStart + i * kTagEntrySize];
  std::memset(e, 0, kTagEntrySize);
  WriteU32(e, hb);
  std::memcpy(e + 4, info.name.data(), std::min<size_t>(info.name.size(), 10));
  e[15] = 0x10;
  e[19] = 0x02;
  e[20] = static_cast<char>(info.keyType);
  // Tag table threads: a binary search tree on the names (1-based).
  if (i > 0) {
    int node = 0;
    for (;;) {
      char* ne = &header_[kTagTableStart + node * kTagEntrySize];
      std::string nodeName(ne + 4, strnlen(ne + 4, 11));
      int slot = info.name < nodeName ? 16 : 17;
      if (ne[slot] == 0) {
        ne[slot] = static_cast<char>(i + 1);
        e[18] = static_cast<char>(node + 1);
        break;
      }
      node = ne[slot] - 1;
    }
  }
  WriteU16(&header_[28], static_cast<std::uint16_t>(i + 1));
  headerDirty_ = true;
  tagTableDirty_ = true;
  tagHeaderBlocks_.push_back(hb);
  tags_.push_back(std::make_unique<MdxTag>(*this, info, i, root));
}

void MdxFile::SetRoot(int tag, std::uint32_t block) {
  ++version_;
  char* th = PageForWrite(tagHeaderBlocks_.at(tag));
  WriteU32(th, block);
  WriteU32(th + 4, nextBlock_ / 2);
  static_cast<MdxTag&>(*tags_.at(tag)).SetRoot(block);
}

void MdxFile::Reload() { ReadHeader(); }

}  // namespace data
