// The index file's page cache and the way its changes reach the disk: a
// full commit (pages, then the header that vouches for them) and the small
// commit of a post (the page list and its checksum announced in the header's
// first sector, then the pages).
#include "data/MdxFile.h"

#include <algorithm>
#include <cstring>

#include "data/DbError.h"
#include "data/DbfHeader.h"
#include "data/MdxLayout.h"

namespace data {

using namespace mdxlayout;

namespace {

constexpr std::uint64_t kFnvStart = 14695981039346656037ULL;

// FNV-1a: `h` carried on over n more bytes.
std::uint64_t Fnv1a(std::uint64_t h, const char* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(bytes[i])) * 1099511628211ULL;
  return h;
}

}  // namespace

std::uint64_t BytesChecksum(const char* bytes, size_t n) { return Fnv1a(kFnvStart, bytes, n); }

std::uint64_t mdxlayout::PagesChecksum(const std::vector<std::uint32_t>& blocks, const std::vector<const char*>& pages) {
  std::uint64_t h = kFnvStart;
  for (size_t i = 0; i < blocks.size(); ++i) {
    char b[4];
    WriteU32(b, blocks[i]);
    h = Fnv1a(h, b, 4);
    h = Fnv1a(h, pages[i], MdxFile::kPageSize);
  }
  return h;
}

char* MdxFile::PageForRead(std::uint32_t block) {
  auto it = pages_.find(block);
  if (it != pages_.end()) return it->second.bytes.data();
  Page page;
  page.bytes.assign(kPageSize + kPageSlack, '\0');
  file_.ReadAt(static_cast<std::uint64_t>(block) * kBlockSize, page.bytes.data(), kPageSize);
  return pages_.emplace(block, std::move(page)).first->second.bytes.data();
}

char* MdxFile::PageForWrite(std::uint32_t block) {
  if (!writable_) throw DbError("El índice " + file_.Path() + " está abierto solo para lectura.");
  ++version_;
  char* p = PageForRead(block);
  Page& page = pages_[block];
  if (!page.dirty) {
    page.dirty = true;
    dirty_.push_back(block);
  }
  return p;
}

std::uint32_t MdxFile::AllocatePage() {
  ++version_;
  const std::uint32_t block = nextBlock_;
  nextBlock_ += kPageSize / kBlockSize;
  WriteU32(&header_[32], nextBlock_);
  headerDirty_ = true;
  Page page;
  page.bytes.assign(kPageSize + kPageSlack, '\0');
  page.dirty = true;
  pages_[block] = std::move(page);
  dirty_.push_back(block);
  return block;
}

void MdxFile::Commit(std::uint32_t counter, std::uint32_t records) {
  bool wrote = false;
  pending_.clear();
  if (ReadU16(&header_[kJournalCountAt]) != 0 || ReadU32(&header_[kVouchedRecordAt]) != 0) {
    // The pages written here are not in the list: it must go.
    WriteU16(&header_[kJournalCountAt], 0);
    std::memset(&header_[kVouchedRecordAt], 0, 12);
    vouchedRecord_ = 0;
    vouchedRecordSum_ = 0;
    headerDirty_ = true;
  }
  if (hasMirror_ && (headerDirty_ || !dirty_.empty())) {
    // The pages about to be written are in no list: until they are all on
    // disk the file must not vouch for any state of the table.
    static const char none[12] = {};
    file_.WriteAt(kMirrorMagicAt, none, 12);
    file_.Sync();
    std::memset(&header_[kMirrorMagicAt], 0, 12);
    hasMirror_ = false;
  }
  wrote = WriteChanges();
  if (!hasMirror_ || mirror_ != counter || mirrorRecords_ != records || wrote) {
    char m[12];
    std::memcpy(m, kMirrorMagic, 4);
    WriteU32(m + 4, counter);
    WriteU32(m + 8, records);
    std::memcpy(&header_[kMirrorMagicAt], m, 12);
    file_.WriteAt(kMirrorMagicAt, m, 12);
    file_.Sync();
    hasMirror_ = true;
    mirror_ = counter;
    mirrorRecords_ = records;
  }
}

bool MdxFile::WriteChanges() {
  const std::vector<std::uint32_t> dirty = DirtyInFileOrder();
  WritePages(dirty);
  bool wrote = !dirty.empty();
  dirty_.clear();
  if (headerDirty_) {
    StampDate(&header_[44]);
    file_.WriteAt(0, header_.data(), kHeaderBytes);
    headerDirty_ = false;
    tagTableDirty_ = false;
    wrote = true;
  }
  if (wrote) file_.Sync();
  return wrote;
}

bool MdxFile::HasDirtyPages() const {
  return !dirty_.empty();
}

bool MdxFile::BeginCommit(std::uint32_t counter, std::uint32_t records, std::uint32_t recno,
                          std::uint64_t recordSum) {
  if (tagTableDirty_ || dirty_.size() > static_cast<size_t>(kMaxJournalPages)) return false;
  std::vector<std::uint32_t> dirty = DirtyInFileOrder();
  std::vector<const char*> bytes;
  for (std::uint32_t block : dirty) bytes.push_back(pages_[block].bytes.data());
  const std::uint64_t sum = PagesChecksum(dirty, bytes);
  std::memcpy(&header_[kMirrorMagicAt], kMirrorMagic, 4);
  WriteU32(&header_[kMirrorAt], counter);
  WriteU32(&header_[kMirrorAt + 4], records);
  WriteU16(&header_[kJournalCountAt], static_cast<std::uint16_t>(dirty.size()));
  std::memcpy(&header_[kJournalSumAt], &sum, 8);
  std::memset(&header_[kJournalBlocksAt], 0, 4 * kMaxJournalPages);
  for (size_t i = 0; i < dirty.size(); ++i) WriteU32(&header_[kJournalBlocksAt + 4 * i], dirty[i]);
  WriteU32(&header_[kVouchedRecordAt], recno);
  std::memcpy(&header_[kVouchedRecordAt + 4], &recordSum, 8);
  StampDate(&header_[44]);
  file_.WriteAt(0, header_.data(), kHeaderSector);
  dirty_.clear();
  headerDirty_ = false;
  hasMirror_ = true;
  pagesIntact_ = true;
  mirror_ = counter;
  mirrorRecords_ = records;
  vouchedRecord_ = recno;
  vouchedRecordSum_ = recordSum;
  pending_ = std::move(dirty);
  return true;
}

void MdxFile::FinishCommit() {
  WritePages(pending_);
  pending_.clear();
}

std::vector<std::uint32_t> MdxFile::DirtyInFileOrder() const {
  std::vector<std::uint32_t> blocks = dirty_;
  std::sort(blocks.begin(), blocks.end());
  return blocks;
}

void MdxFile::WritePages(const std::vector<std::uint32_t>& blocks) {
  for (std::uint32_t block : blocks) {
    auto& page = pages_[block];
    file_.WriteAt(static_cast<std::uint64_t>(block) * kBlockSize, page.bytes.data(), kPageSize);
    page.dirty = false;
  }
}

}  // namespace data
