#pragma once
// One tag's B-tree over the pages of the production index file. Its parts:
// reading and walking in key order (MdxTagRead.cpp), keeping it up to date
// entry by entry as records are posted and deleted (MdxTagWrite.cpp), and
// building it anew from sorted entries (MdxTagLoad.cpp). Not for use outside
// the index code: the table sees it as an IndexTag.
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "data/DbfHeader.h"
#include "data/IndexTag.h"
#include "data/MdxFile.h"
#include "data/MdxLayout.h"

namespace data {

class MdxTag final : public IndexTag {
 public:
  MdxTag(MdxFile& file, IndexInfo info, int tagIndex, std::uint32_t root)
      : IndexTag(std::move(info)), file_(file), tag_(tagIndex), root_(root),
        item_(mdxlayout::ItemLength(info_.keyLength)), maxKeys_(mdxlayout::MaxKeys(info_.keyLength)) {}

  void SetRoot(std::uint32_t root) { root_ = root; }

  std::optional<IndexEntry> First() override;
  std::optional<IndexEntry> Last() override;
  std::optional<IndexEntry> SeekGE(const std::string& key, std::uint32_t recno) override;
  std::optional<IndexEntry> SeekGT(const std::string& key, std::uint32_t recno) override;
  std::optional<IndexEntry> SeekLT(const std::string& key, std::uint32_t recno) override;
  void Insert(const IndexEntry& e) override;
  bool Remove(const IndexEntry& e) override;
  void Load(const std::vector<IndexEntry>& sorted) override;

 private:
  struct Step {
    std::uint32_t block;
    int idx;
  };
  using Path = std::vector<Step>;

  // The position of the entry returned last, while no page changed since:
  // walking the tag in order continues from it.
  std::optional<IndexEntry> Remember(Path&& p);
  std::nullopt_t Forget();
  bool AtRemembered(const std::string& key, std::uint32_t recno) const;

  // A page checked for sanity: entry count within the page.
  const char* Node(std::uint32_t block, int& count, bool& leaf);
  std::uint32_t Ptr(const char* page, int i) const { return ReadU32(page + 8 + i * item_); }
  const char* KeyAt(const char* page, int i) const { return page + 8 + i * item_ + 4; }
  void SetItem(char* page, int i, std::uint32_t ptr, const std::string& key) {
    WriteU32(page + 8 + i * item_, ptr);
    std::memcpy(page + 8 + i * item_ + 4, key.data(), info_.keyLength);
  }
  void CheckChild(std::uint32_t block, size_t depth);

  IndexEntry EntryAt(const Path& p);
  // A walk in order meets each leaf once: meeting more leaves than the file
  // has pages means branches that loop or share a subtree.
  void CountLeafMet();
  // Down to a leaf along the first (or last) child; leaf index 0 (or last).
  void Descend(std::uint32_t block, Path& p, bool rightmost);
  // Moves a leaf position past the end of its page to the next entry.
  bool Normalize(Path& p);
  // Nor does a walk meet more entries than the table has records.
  void CountEntryMet();
  bool Advance(Path& p);
  bool Retreat(Path& p);
  // Positions on the first entry at or after (key, recno); false at the end.
  bool Find(const std::string& key, std::uint32_t recno, Path& p);

  // Inserts (ptr, key) before index p[level].idx of the page at that level.
  void InsertAt(Path& p, int level, std::uint32_t ptr, const std::string& key);
  void Split(Path& p, int level, bool leaf);
  void RemoveAt(Path& p, int level);

  MdxFile& file_;
  int tag_;
  std::uint32_t root_;
  int item_;
  int maxKeys_;
  Path last_;
  std::string lastKey_;
  std::uint32_t lastRecno_ = 0;
  std::uint64_t lastVersion_ = 0;
  bool rememberValid_ = false;
  std::uint32_t leavesMet_ = 0;  // since the walk's first descent
  std::uint64_t entriesMet_ = 0;
};

}  // namespace data
