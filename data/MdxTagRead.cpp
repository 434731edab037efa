// Reading a tag: descending from the root, walking the leaves in key order
// both ways, and the sanity checks that stop a damaged file from sending a
// walk out of the file or round in circles.
#include "data/MdxTag.h"

#include <string>

#include "data/DbError.h"

namespace data {

using namespace mdxlayout;

std::optional<IndexEntry> MdxTag::First() {
  leavesMet_ = entriesMet_ = 0;
  Path p;
  Descend(root_, p, false);
  if (!Normalize(p)) return std::nullopt;
  return Remember(std::move(p));
}

std::optional<IndexEntry> MdxTag::Last() {
  leavesMet_ = entriesMet_ = 0;
  Path p;
  Descend(root_, p, true);
  if (p.back().idx < 0) return std::nullopt;
  return Remember(std::move(p));
}

std::optional<IndexEntry> MdxTag::SeekGE(const std::string& key, std::uint32_t recno) {
  Path p;
  if (!Find(key, recno, p)) return std::nullopt;
  return Remember(std::move(p));
}

std::optional<IndexEntry> MdxTag::SeekGT(const std::string& key, std::uint32_t recno) {
  if (AtRemembered(key, recno)) {
    // Walking on from the entry returned last: no descent from the root.
    if (!Advance(last_)) return Forget();
    return Remember(std::move(last_));
  }
  Path p;
  if (!Find(key, recno, p)) return std::nullopt;
  if (Compare(EntryAt(p), key, recno) == 0 && !Advance(p)) return std::nullopt;
  return Remember(std::move(p));
}

std::optional<IndexEntry> MdxTag::SeekLT(const std::string& key, std::uint32_t recno) {
  if (AtRemembered(key, recno)) {
    if (!Retreat(last_)) return Forget();
    return Remember(std::move(last_));
  }
  Path p;
  if (!Find(key, recno, p)) {
    return Last();
  }
  if (!Retreat(p)) return std::nullopt;
  return Remember(std::move(p));
}

std::optional<IndexEntry> MdxTag::Remember(Path&& p) {
  IndexEntry e = EntryAt(p);
  if (&p != &last_) last_ = std::move(p);
  lastKey_ = e.key;
  lastRecno_ = e.recno;
  lastVersion_ = file_.Version();
  rememberValid_ = true;
  return e;
}

std::nullopt_t MdxTag::Forget() {
  rememberValid_ = false;
  return std::nullopt;
}

bool MdxTag::AtRemembered(const std::string& key, std::uint32_t recno) const {
  return rememberValid_ && lastVersion_ == file_.Version() && lastRecno_ == recno && lastKey_ == key;
}

const char* MdxTag::Node(std::uint32_t block, int& count, bool& leaf) {
  const char* page = file_.PageForRead(block);
  std::uint32_t n = ReadU32(page);
  if (n > static_cast<std::uint32_t>(maxKeys_ + 1) || 8 + static_cast<int>(n) * item_ > MdxFile::kPageSize)
    throw DbError("El índice " + file_.Path() + " está dañado (página " + std::to_string(block) + ").");
  count = static_cast<int>(n);
  // A full page is a leaf; otherwise a branch has its extra child pointer
  // after the last entry where a leaf has zero. Branches therefore never
  // fill completely (other engines decide the same way).
  const int tail = 8 + count * item_;
  leaf = count >= maxKeys_ || ReadU32(page + tail) == 0;
  return page;
}

void MdxTag::CheckChild(std::uint32_t block, size_t depth) {
  if (block < kFirstFreeBlock || block >= file_.PagesInFile() || depth > kMaxDepth)
    throw DbError("El índice " + file_.Path() + " está dañado (enlace a la página " + std::to_string(block) + ").");
}

IndexEntry MdxTag::EntryAt(const Path& p) {
  int count;
  bool leaf;
  const char* page = Node(p.back().block, count, leaf);
  return IndexEntry{std::string(KeyAt(page, p.back().idx), info_.keyLength), Ptr(page, p.back().idx)};
}

void MdxTag::CountLeafMet() {
  if (++leavesMet_ > file_.PagesInFile())
    throw DbError("El índice " + file_.Path() + " está dañado (sus páginas forman un ciclo).");
}

void MdxTag::Descend(std::uint32_t block, Path& p, bool rightmost) {
  CountLeafMet();
  for (;;) {
    CheckChild(block, p.size());
    int count;
    bool leaf;
    const char* page = Node(block, count, leaf);
    if (leaf) {
      p.push_back({block, rightmost ? count - 1 : 0});
      return;
    }
    int idx = rightmost ? count : 0;
    p.push_back({block, idx});
    block = Ptr(page, idx);
  }
}

bool MdxTag::Normalize(Path& p) {
  for (;;) {
    int count;
    bool leaf;
    Node(p.back().block, count, leaf);
    if (p.back().idx < count) return true;
    // Up to the first ancestor with a later child.
    p.pop_back();
    for (;;) {
      if (p.empty()) return false;
      int bc;
      bool bl;
      const char* page = Node(p.back().block, bc, bl);
      if (p.back().idx < bc) {
        p.back().idx += 1;
        Descend(Ptr(page, p.back().idx), p, false);
        break;
      }
      p.pop_back();
    }
  }
}

void MdxTag::CountEntryMet() {
  if (++entriesMet_ > file_.MaxEntries())
    throw DbError("El índice " + file_.Path() + " está dañado (tiene más entradas que registros la tabla).");
}

bool MdxTag::Advance(Path& p) {
  CountEntryMet();
  p.back().idx += 1;
  return Normalize(p);
}

bool MdxTag::Retreat(Path& p) {
  CountEntryMet();
  if (p.back().idx > 0) {
    p.back().idx -= 1;
    return true;
  }
  p.pop_back();
  while (!p.empty()) {
    if (p.back().idx > 0) {
      p.back().idx -= 1;
      int count;
      bool leaf;
      const char* page = Node(p.back().block, count, leaf);
      Descend(Ptr(page, p.back().idx), p, true);
      if (p.back().idx >= 0) return true;
      // An empty leaf (only a lone root can be empty): keep going back.
      return Retreat(p);
    }
    p.pop_back();
  }
  return false;
}

bool MdxTag::Find(const std::string& key, std::uint32_t recno, Path& p) {
  leavesMet_ = entriesMet_ = 0;
  std::uint32_t block = root_;
  for (;;) {
    CheckChild(block, p.size());
    int count;
    bool leaf;
    const char* page = Node(block, count, leaf);
    if (leaf) {
      int lo = 0, hi = count;
      while (lo < hi) {
        int mid = (lo + hi) / 2;
        IndexEntry e{std::string(KeyAt(page, mid), info_.keyLength), Ptr(page, mid)};
        if (Compare(e, key, recno) < 0) lo = mid + 1;
        else hi = mid;
      }
      p.push_back({block, lo});
      break;
    }
    int lo = 0, hi = count;  // first separator not below the key
    while (lo < hi) {
      int mid = (lo + hi) / 2;
      if (CompareKeys(info_.keyType, KeyAt(page, mid), key.data(), info_.keyLength) < 0) lo = mid + 1;
      else hi = mid;
    }
    p.push_back({block, lo});
    block = Ptr(page, lo);
  }
  // Equal keys may continue in later leaves: walk to the exact place.
  if (!Normalize(p)) return false;
  while (Compare(EntryAt(p), key, recno) < 0)
    if (!Advance(p)) return false;
  return true;
}

}  // namespace data
