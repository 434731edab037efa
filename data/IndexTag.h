#pragma once
// One ordered index (a tag of the production index): entries (key, record
// number) ordered by key, then record number. Implemented on disk by the
// .MDX B-trees and in memory when the file cannot be used.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/IndexKey.h"

namespace data {

struct IndexInfo {
  std::string name;        // tag name, upper case
  std::string expression;  // key expression: a field's name for a plain tag
  KeyType keyType = KeyType::Character;
  int keyLength = 0;
  bool unique = false;
  // Why this engine cannot keep the tag as another program made it (an
  // order or a condition it does not implement), or "".
  std::string unkept;
};

struct IndexEntry {
  std::string key;
  std::uint32_t recno = 0;
};

class IndexTag {
 public:
  explicit IndexTag(IndexInfo info) : info_(std::move(info)) {}
  virtual ~IndexTag() = default;
  const IndexInfo& Info() const { return info_; }

  // Order of an entry against (key, recno); recno 0 sorts before every record.
  int Compare(const IndexEntry& e, const std::string& key, std::uint32_t recno) const;

  virtual void Insert(const IndexEntry& e) = 0;
  virtual bool Remove(const IndexEntry& e) = 0;
  virtual std::optional<IndexEntry> First() = 0;
  virtual std::optional<IndexEntry> Last() = 0;
  // First entry at or after (key, recno).
  virtual std::optional<IndexEntry> SeekGE(const std::string& key, std::uint32_t recno) = 0;
  // First entry after (key, recno).
  virtual std::optional<IndexEntry> SeekGT(const std::string& key, std::uint32_t recno) = 0;
  // Last entry before (key, recno).
  virtual std::optional<IndexEntry> SeekLT(const std::string& key, std::uint32_t recno) = 0;
  // Replaces the whole content by `sorted` (already in index order).
  virtual void Load(const std::vector<IndexEntry>& sorted) = 0;

 protected:
  IndexInfo info_;
};

// Tag kept in memory only (an index file out of step, opened shared).
std::unique_ptr<IndexTag> MakeMemoryTag(IndexInfo info);

}  // namespace data
