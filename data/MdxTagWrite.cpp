// Keeping a tag up to date entry by entry as records are posted and deleted:
// inserting with page splits up to a new root, removing with the drop of
// emptied pages from their parents.
#include "data/MdxTag.h"

#include <string>
#include <vector>

namespace data {

using namespace mdxlayout;

void MdxTag::Insert(const IndexEntry& e) {
  file_.CountInsert();
  Path p;
  if (!Find(e.key, e.recno, p)) {
    p.clear();
    Descend(root_, p, true);
    p.back().idx += 1;  // after the last entry
  }
  InsertAt(p, static_cast<int>(p.size()) - 1, e.recno, e.key);
}

bool MdxTag::Remove(const IndexEntry& e) {
  Path p;
  if (!Find(e.key, e.recno, p)) return false;
  if (Compare(EntryAt(p), e.key, e.recno) != 0) return false;
  RemoveAt(p, static_cast<int>(p.size()) - 1);
  return true;
}

void MdxTag::InsertAt(Path& p, int level, std::uint32_t ptr, const std::string& key) {
  const std::uint32_t block = p[level].block;
  const int idx = p[level].idx;
  int count;
  bool leaf;
  Node(block, count, leaf);
  char* page = file_.PageForWrite(block);
  const int slots = leaf ? count : count + 1;  // branch: the extra pointer moves too
  std::memmove(page + 8 + (idx + 1) * item_, page + 8 + idx * item_, (slots - idx) * item_);
  SetItem(page, idx, ptr, key);
  if (!leaf && idx == count) {
    // Never happens: a new branch entry always goes before an existing child.
  }
  WriteU32(page, static_cast<std::uint32_t>(count + 1));
  if (count + 1 <= (leaf ? maxKeys_ : maxKeys_ - 1)) {
    if (leaf) std::memset(page + 8 + (count + 1) * item_, 0, MdxFile::kPageSize - 8 - (count + 1) * item_);
    return;
  }
  Split(p, level, leaf);
}

void MdxTag::Split(Path& p, int level, bool leaf) {
  const std::uint32_t block = p[level].block;
  char* page = file_.PageForWrite(block);
  const int count = static_cast<int>(ReadU32(page));
  std::vector<char> copy(page, page + MdxFile::kPageSize + kPageSlack);  // the overflowing entry too
  const std::uint32_t rightBlock = file_.AllocatePage();
  char* right = file_.PageForWrite(rightBlock);
  page = file_.PageForWrite(block);  // the cache may have grown
  std::memset(right, 0, MdxFile::kPageSize);
  const int leftCount = count / 2;
  std::string separator;
  if (leaf) {
    const int rightCount = count - leftCount;
    std::memcpy(right + 8, copy.data() + 8 + leftCount * item_, rightCount * item_);
    WriteU32(right, static_cast<std::uint32_t>(rightCount));
    std::memset(page + 8 + leftCount * item_, 0, MdxFile::kPageSize - 8 - leftCount * item_);
    WriteU32(page, static_cast<std::uint32_t>(leftCount));
    separator.assign(copy.data() + 8 + (leftCount - 1) * item_ + 4, info_.keyLength);
  } else {
    // Entry `leftCount` moves up: its child becomes the left page's last pointer.
    const int rightCount = count - leftCount - 1;
    std::memcpy(right + 8, copy.data() + 8 + (leftCount + 1) * item_, (rightCount + 1) * item_);
    WriteU32(right, static_cast<std::uint32_t>(rightCount));
    std::memset(page + 8 + (leftCount + 1) * item_, 0, MdxFile::kPageSize - 8 - (leftCount + 1) * item_);
    std::memset(page + 8 + leftCount * item_ + 4, 0, item_ - 4);
    WriteU32(page, static_cast<std::uint32_t>(leftCount));
    separator.assign(copy.data() + 8 + leftCount * item_ + 4, info_.keyLength);
  }
  if (level == 0) {
    const std::uint32_t newRoot = file_.AllocatePage();
    char* r = file_.PageForWrite(newRoot);
    std::memset(r, 0, MdxFile::kPageSize);
    WriteU32(r, 1);
    SetItem(r, 0, block, separator);
    WriteU32(r + 8 + item_, rightBlock);
    root_ = newRoot;
    file_.SetRoot(tag_, root_);
    return;
  }
  // Parent: the old pointer now leads to the right half; the left half goes
  // in before it with its highest key.
  char* parent = file_.PageForWrite(p[level - 1].block);
  WriteU32(parent + 8 + p[level - 1].idx * item_, rightBlock);
  InsertAt(p, level - 1, block, separator);
}

void MdxTag::RemoveAt(Path& p, int level) {
  const std::uint32_t block = p[level].block;
  const int idx = p[level].idx;
  int count;
  bool leaf;
  Node(block, count, leaf);
  char* page = file_.PageForWrite(block);
  if (leaf) {
    std::memmove(page + 8 + idx * item_, page + 8 + (idx + 1) * item_, (count - idx - 1) * item_);
    std::memset(page + 8 + (count - 1) * item_, 0, MdxFile::kPageSize - 8 - (count - 1) * item_);
    WriteU32(page, static_cast<std::uint32_t>(count - 1));
    if (count - 1 > 0 || level == 0) return;
  } else {
    // Drop child `idx`: its pointer and its separator (the last child
    // takes the place of the one before it).
    if (count == 0) {
      if (level == 0) {
        std::memset(page, 0, MdxFile::kPageSize);  // an empty leaf root again
        return;
      }
      RemoveAt(p, level - 1);
      return;
    }
    if (idx == count) {
      WriteU32(page + 8 + count * item_, 0);
      std::memset(page + 8 + (count - 1) * item_ + 4, 0, item_ - 4);
    } else {
      std::memmove(page + 8 + idx * item_, page + 8 + (idx + 1) * item_, (count - idx) * item_);
      std::memset(page + 8 + count * item_, 0, item_);
    }
    WriteU32(page, static_cast<std::uint32_t>(count - 1));
    return;
  }
  p.resize(level);
  RemoveAt(p, level - 1);
}

}  // namespace data
