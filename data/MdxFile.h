#pragma once
// The production index file (.MDX) in dBase IV form: 1024-byte pages
// addressed in 512-byte blocks, a tag table after the 544-byte header, one
// B-tree per tag. Leaf entries hold (record number, key); branch entries hold
// (child page, highest key below it), with one more child pointer after the
// last entry. Pages are cached in memory and written back by Commit().
//
// Bytes 48-59 of the header (reserved in the format) mirror the change
// counter and the record count of the .DBF header: an index whose mirror
// differs from the table is out of step and gets rebuilt from the records.
// The counter catches a crash between the record and its index entries; the
// count also catches another program that appended without the index.
//
// A post changes a handful of pages in place. So that one sync round can
// cover the record and those pages together, the header's first sector is
// written (and synced) first with the new mirror, the list of the pages about
// to change and a checksum of their new bytes (BeginCommit); the pages follow
// (FinishCommit). An index whose mirror matches but whose listed pages do not
// match the checksum was cut short on its way to the disk and is not trusted.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/FileIo.h"
#include "data/IndexTag.h"

namespace data {

// FNV-1a of a byte range (records vouched for by the index header).
std::uint64_t BytesChecksum(const char* bytes, size_t n);

class MdxFile {
 public:
  static constexpr int kPageSize = 1024;
  static constexpr int kBlockSize = 512;
  static constexpr int kMaxTags = 47;

  MdxFile();
  ~MdxFile();

  // Writes a new index file holding empty tags.
  static void Create(const std::string& path, const std::string& tableName, const std::vector<IndexInfo>& tags,
                     std::uint32_t counter, std::uint32_t records = 0);
  // Throws DbError for a file that is not a dBase IV index or is damaged.
  void Open(const std::string& path, bool writable);
  // After a failed Open: the file is shorter than a header and its tag
  // table, so it holds no tag of any program (cut off as it was created).
  bool HoldsNoTags() const;
  void Close();
  const std::string& Path() const { return file_.Path(); }
  bool StillAt() const { return file_.StillAt(file_.Path()); }

  int TagCount() const { return static_cast<int>(tags_.size()); }
  IndexTag& Tag(int i);
  // Appends an empty tag.
  void AddTag(const IndexInfo& info);

  bool HasMirror() const { return hasMirror_; }
  std::uint32_t Mirror() const { return mirror_; }
  std::uint32_t MirrorRecords() const { return mirrorRecords_; }
  // The index vouches for the table state (counter, records): the mirror
  // matches and the pages of its last commit all reached the disk.
  bool InStep(std::uint32_t counter, std::uint32_t records) const {
    return hasMirror_ && pagesIntact_ && mirror_ == counter && mirrorRecords_ == records;
  }
  // Writes dirty pages and the header (with the new mirror), syncing so that
  // the mirror reaches the disk only after the pages it vouches for.
  void Commit(std::uint32_t counter, std::uint32_t records);
  // The two steps of a small commit (see above); the caller syncs after
  // each. BeginCommit returns false, writing nothing, when the change is too
  // large for the list (Commit does it then). It also records which record
  // the change wrote and a checksum of its bytes: the record and the table
  // header share one sync, and a crash that kept the new header but not the
  // record must not leave the index vouching for the record's new keys.
  bool HasDirtyPages() const;
  bool BeginCommit(std::uint32_t counter, std::uint32_t records, std::uint32_t recno = 0,
                   std::uint64_t recordSum = 0);
  // The record the last small commit wrote (0: none) and its checksum.
  std::uint32_t VouchedRecord() const { return vouchedRecord_; }
  std::uint64_t VouchedRecordSum() const { return vouchedRecordSum_; }
  void FinishCommit();
  void Sync() { file_.Sync(); }
  // Forgets cached pages and re-reads the header (after another copy wrote).
  void Reload();

  // For the tags: page access and allocation.
  char* PageForRead(std::uint32_t block);
  char* PageForWrite(std::uint32_t block);
  std::uint32_t AllocatePage();
  void SetRoot(int tag, std::uint32_t block);
  std::uint32_t PagesInFile() const { return nextBlock_; }
  // The most entries one tag can hold: no more than the records the file
  // vouches for and the entries added since (unbounded for an index of
  // another program, whose walks the page count bounds).
  std::uint64_t MaxEntries() const { return hasMirror_ ? std::uint64_t(mirrorRecords_) + inserted_ : UINT64_MAX; }
  void CountInsert(std::uint64_t n = 1) { inserted_ += n; }
  // Moves on whenever any page may have changed (positions kept by the tags
  // are good only while it stays).
  std::uint64_t Version() const { return version_; }

 private:
  // The dirty pages' blocks in file order, which keeps the writes sequential.
  std::vector<std::uint32_t> DirtyInFileOrder() const;
  // Writes the dirty pages and the header as they are, and syncs; true
  // when anything was written.
  bool WriteChanges();
  // Writes those pages and marks them clean.
  void WritePages(const std::vector<std::uint32_t>& blocks);
  void ReadHeader();
  void WriteHeader();

  struct Page {
    std::vector<char> bytes;
    bool dirty = false;
  };
  File file_;
  bool writable_ = false;
  std::string header_;  // first 2048 bytes: header and tag table
  bool headerDirty_ = false;
  bool tagTableDirty_ = false;  // beyond the header's first sector
  bool pagesIntact_ = true;     // the last commit's pages match its checksum
  std::vector<std::uint32_t> pending_;  // announced by BeginCommit
  std::uint32_t vouchedRecord_ = 0;
  std::uint64_t vouchedRecordSum_ = 0;
  std::uint32_t nextBlock_ = 0;
  std::uint64_t version_ = 0;
  bool hasMirror_ = false;
  std::uint64_t inserted_ = 0;
  std::uint32_t mirror_ = 0;
  std::uint32_t mirrorRecords_ = 0;
  std::unordered_map<std::uint32_t, Page> pages_;
  std::vector<std::uint32_t> dirty_;  // blocks of the dirty pages
  std::vector<std::unique_ptr<IndexTag>> tags_;
  std::vector<std::uint32_t> tagHeaderBlocks_;
};

}  // namespace data
