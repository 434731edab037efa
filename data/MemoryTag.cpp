#include <set>

#include "data/IndexTag.h"

namespace data {

int IndexTag::Compare(const IndexEntry& e, const std::string& key, std::uint32_t recno) const {
  int c = CompareKeys(info_.keyType, e.key.data(), key.data(), info_.keyLength);
  if (c != 0) return c;
  return e.recno < recno ? -1 : (e.recno > recno ? 1 : 0);
}

namespace {

class MemoryTag final : public IndexTag {
 public:
  explicit MemoryTag(IndexInfo info) : IndexTag(std::move(info)), set_(Less{this}) {}

  void Insert(const IndexEntry& e) override { set_.insert(e); }
  bool Remove(const IndexEntry& e) override { return set_.erase(e) > 0; }
  std::optional<IndexEntry> First() override {
    if (set_.empty()) return std::nullopt;
    return *set_.begin();
  }
  std::optional<IndexEntry> Last() override {
    if (set_.empty()) return std::nullopt;
    return *set_.rbegin();
  }
  std::optional<IndexEntry> SeekGE(const std::string& key, std::uint32_t recno) override {
    auto it = set_.lower_bound(IndexEntry{key, recno});
    if (it == set_.end()) return std::nullopt;
    return *it;
  }
  std::optional<IndexEntry> SeekGT(const std::string& key, std::uint32_t recno) override {
    auto it = set_.upper_bound(IndexEntry{key, recno});
    if (it == set_.end()) return std::nullopt;
    return *it;
  }
  std::optional<IndexEntry> SeekLT(const std::string& key, std::uint32_t recno) override {
    auto it = set_.lower_bound(IndexEntry{key, recno});
    if (it == set_.begin()) return std::nullopt;
    return *std::prev(it);
  }
  void Load(const std::vector<IndexEntry>& sorted) override {
    set_.clear();
    for (const auto& e : sorted) set_.insert(set_.end(), e);
  }

 private:
  struct Less {
    const MemoryTag* tag;
    bool operator()(const IndexEntry& a, const IndexEntry& b) const { return tag->Compare(a, b.key, b.recno) < 0; }
  };
  std::set<IndexEntry, Less> set_;
};

}  // namespace

std::unique_ptr<IndexTag> MakeMemoryTag(IndexInfo info) { return std::make_unique<MemoryTag>(std::move(info)); }

}  // namespace data
