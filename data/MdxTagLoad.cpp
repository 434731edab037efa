// Building a tag anew from entries already in index order: full leaves, then
// each branch level above them, then the new root in the tag header.
#include "data/MdxTag.h"

#include <algorithm>
#include <vector>

namespace data {

void MdxTag::Load(const std::vector<IndexEntry>& sorted) {
  file_.CountInsert(sorted.size());
  // Leaves filled completely, then each branch level above them.
  struct Child {
    std::uint32_t block;
    std::string maxKey;
  };
  std::vector<Child> level;
  for (size_t i = 0; i < sorted.size() || level.empty(); i += maxKeys_) {
    std::uint32_t block = file_.AllocatePage();
    char* page = file_.PageForWrite(block);
    std::memset(page, 0, MdxFile::kPageSize);
    size_t n = std::min<size_t>(maxKeys_, sorted.size() - std::min(i, sorted.size()));
    WriteU32(page, static_cast<std::uint32_t>(n));
    for (size_t k = 0; k < n; ++k) SetItem(page, static_cast<int>(k), sorted[i + k].recno, sorted[i + k].key);
    level.push_back({block, n ? sorted[i + n - 1].key : std::string(info_.keyLength, '\0')});
    if (sorted.empty()) break;
  }
  while (level.size() > 1) {
    std::vector<Child> up;
    const size_t fan = maxKeys_;  // children: one more than the entries, which stay below a full page
    for (size_t i = 0; i < level.size(); i += fan) {
      size_t n = std::min(fan, level.size() - i);
      std::uint32_t block = file_.AllocatePage();
      char* page = file_.PageForWrite(block);
      std::memset(page, 0, MdxFile::kPageSize);
      WriteU32(page, static_cast<std::uint32_t>(n - 1));
      for (size_t k = 0; k + 1 < n; ++k) SetItem(page, static_cast<int>(k), level[i + k].block, level[i + k].maxKey);
      WriteU32(page + 8 + (n - 1) * item_, level[i + n - 1].block);
      up.push_back({block, level[i + n - 1].maxKey});
    }
    level = std::move(up);
  }
  root_ = level.front().block;
  file_.SetRoot(tag_, root_);
}

}  // namespace data
