#pragma once
// Memo files: dBase III (.DBT, 512-byte blocks, text ended by 0x1A), dBase
// IV/7 (.DBT, blocks starting FF FF 08 00 with the length, block size in the
// header) and FoxPro (.FPT, big-endian block headers). New memos are always
// written at the end of the file, so a record keeps its old memo intact until
// the record itself is rewritten; reorganising the table reclaims the space.
#include <cstdint>
#include <string>
#include <string_view>

#include "data/DbfHeader.h"
#include "data/FileIo.h"

namespace data {

class MemoFile {
 public:
  void Open(const std::string& path, MemoStyle style, bool writable);
  // A new, empty dBase IV memo file.
  static void CreateDbase4(const std::string& path, const std::string& tableName);
  void Close() { file_.Close(); }
  bool IsOpen() const { return file_.IsOpen(); }

  // The raw bytes (in the table's code page) of the memo at `block`; block 0
  // is no memo. Throws DbError for a block outside the file.
  std::string Read(std::uint32_t block) const;
  // The same into `out` (its storage reused by a reader of many memos).
  void Read(std::uint32_t block, std::string& out) const;
  // The same bytes where they lie in the mapped file when they do (a dBase
  // IV or FoxPro memo inside the mapped part), else read into `scratch`.
  // Good until the next read into `scratch` or the file is closed.
  std::string_view Bytes(std::uint32_t block, std::string& scratch) const;
  // Stores `bytes` as a new memo and returns its block (0 for empty text).
  std::uint32_t Append(const std::string& bytes);
  void Sync() { file_.Sync(); }
  void Truncate();  // back to an empty memo file (header only)
  // The file's end and its next-block pointer, to go back to after texts
  // appended by a change that did not happen.
  struct Mark {
    std::uint64_t size = 0;
    char next[4] = {};
  };
  Mark MarkEnd() const;
  void BackTo(const Mark& mark);
  const std::string& Path() const { return file_.Path(); }
  bool StillAt() const { return file_.StillAt(file_.Path()); }

 private:
  File file_;
  MemoStyle style_ = MemoStyle::dBase4;
  std::uint32_t blockSize_ = 512;
};

}  // namespace data
