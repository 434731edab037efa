#include "data/MdxFile.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "data/DbError.h"
#include "data/DbfHeader.h"
#include "data/NameCase.h"

namespace data {
namespace {

constexpr int kHeaderBytes = 2048;  // header (544) and the tag table
constexpr int kTagTableStart = 544;
constexpr int kTagEntrySize = 32;
constexpr size_t kMaxExpression = 220;  // the tag header's room, no terminator needed
constexpr int kFirstFreeBlock = kHeaderBytes / MdxFile::kBlockSize;
constexpr int kMirrorMagicAt = 48;
constexpr int kMirrorAt = 52;
constexpr char kMirrorMagic[4] = {'Q', 'L', 'R', '1'};
// The last small commit's page list, in the header's first sector (a sector
// reaches the disk whole): count, checksum of the pages' bytes, block numbers.
constexpr int kJournalCountAt = 60;
constexpr int kJournalSumAt = 64;
constexpr int kJournalBlocksAt = 72;
constexpr int kMaxJournalPages = 96;
constexpr int kVouchedRecordAt = kJournalBlocksAt + 4 * kMaxJournalPages;  // recno, then its checksum
constexpr int kHeaderSector = 512;
constexpr int kMaxDepth = 24;
// Room past the page end for the one entry a full page holds before it splits.
constexpr int kPageSlack = 512;

constexpr std::uint64_t kFnvStart = 14695981039346656037ULL;

// FNV-1a: `h` carried on over n more bytes.
std::uint64_t Fnv1a(std::uint64_t h, const char* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(bytes[i])) * 1099511628211ULL;
  return h;
}

}  // namespace

std::uint64_t BytesChecksum(const char* bytes, size_t n) { return Fnv1a(kFnvStart, bytes, n); }

namespace {

// FNV-1a over each page's block number and bytes.
std::uint64_t PagesChecksum(const std::vector<std::uint32_t>& blocks, const std::vector<const char*>& pages) {
  std::uint64_t h = kFnvStart;
  for (size_t i = 0; i < blocks.size(); ++i) {
    char b[4];
    WriteU32(b, blocks[i]);
    h = Fnv1a(h, b, 4);
    h = Fnv1a(h, pages[i], MdxFile::kPageSize);
  }
  return h;
}

int ItemLength(int keyLength) { return ((keyLength + 4) + 3) / 4 * 4; }
// Entries of a page, leaving room after the last one for the branch's extra
// pointer (or the leaf's zero terminator).
int MaxKeys(int keyLength) { return (MdxFile::kPageSize - 12) / ItemLength(keyLength); }

void StampDate(char* p) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  p[0] = static_cast<char>(tm.tm_year % 100);
  p[1] = static_cast<char>(tm.tm_mon + 1);
  p[2] = static_cast<char>(tm.tm_mday);
}

// One tag's B-tree over the file's pages.
class MdxTag final : public IndexTag {
 public:
  MdxTag(MdxFile& file, IndexInfo info, int tagIndex, std::uint32_t root)
      : IndexTag(std::move(info)), file_(file), tag_(tagIndex), root_(root),
        item_(ItemLength(info_.keyLength)), maxKeys_(MaxKeys(info_.keyLength)) {}

  void SetRoot(std::uint32_t root) { root_ = root; }

  std::optional<IndexEntry> First() override {
    leavesMet_ = entriesMet_ = 0;
    Path p;
    Descend(root_, p, false);
    if (!Normalize(p)) return std::nullopt;
    return Remember(std::move(p));
  }
  std::optional<IndexEntry> Last() override {
    leavesMet_ = entriesMet_ = 0;
    Path p;
    Descend(root_, p, true);
    if (p.back().idx < 0) return std::nullopt;
    return Remember(std::move(p));
  }
  std::optional<IndexEntry> SeekGE(const std::string& key, std::uint32_t recno) override {
    Path p;
    if (!Find(key, recno, p)) return std::nullopt;
    return Remember(std::move(p));
  }
  std::optional<IndexEntry> SeekGT(const std::string& key, std::uint32_t recno) override {
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
  std::optional<IndexEntry> SeekLT(const std::string& key, std::uint32_t recno) override {
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

  void Insert(const IndexEntry& e) override {
    file_.CountInsert();
    Path p;
    if (!Find(e.key, e.recno, p)) {
      p.clear();
      Descend(root_, p, true);
      p.back().idx += 1;  // after the last entry
    }
    InsertAt(p, static_cast<int>(p.size()) - 1, e.recno, e.key);
  }

  bool Remove(const IndexEntry& e) override {
    Path p;
    if (!Find(e.key, e.recno, p)) return false;
    if (Compare(EntryAt(p), e.key, e.recno) != 0) return false;
    RemoveAt(p, static_cast<int>(p.size()) - 1);
    return true;
  }

  void Load(const std::vector<IndexEntry>& sorted) override {
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

 private:
  struct Step {
    std::uint32_t block;
    int idx;
  };
  using Path = std::vector<Step>;

  // The position of the entry returned last, while no page changed since:
  // walking the tag in order continues from it.
  std::optional<IndexEntry> Remember(Path&& p) {
    IndexEntry e = EntryAt(p);
    if (&p != &last_) last_ = std::move(p);
    lastKey_ = e.key;
    lastRecno_ = e.recno;
    lastVersion_ = file_.Version();
    rememberValid_ = true;
    return e;
  }
  std::nullopt_t Forget() {
    rememberValid_ = false;
    return std::nullopt;
  }
  bool AtRemembered(const std::string& key, std::uint32_t recno) const {
    return rememberValid_ && lastVersion_ == file_.Version() && lastRecno_ == recno && lastKey_ == key;
  }

  // A page checked for sanity: entry count within the page.
  const char* Node(std::uint32_t block, int& count, bool& leaf) {
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
  std::uint32_t Ptr(const char* page, int i) const { return ReadU32(page + 8 + i * item_); }
  const char* KeyAt(const char* page, int i) const { return page + 8 + i * item_ + 4; }
  void SetItem(char* page, int i, std::uint32_t ptr, const std::string& key) {
    WriteU32(page + 8 + i * item_, ptr);
    std::memcpy(page + 8 + i * item_ + 4, key.data(), info_.keyLength);
  }
  void CheckChild(std::uint32_t block, size_t depth) {
    if (block < kFirstFreeBlock || block >= file_.PagesInFile() || depth > kMaxDepth)
      throw DbError("El índice " + file_.Path() + " está dañado (enlace a la página " + std::to_string(block) + ").");
  }

  IndexEntry EntryAt(const Path& p) {
    int count;
    bool leaf;
    const char* page = Node(p.back().block, count, leaf);
    return IndexEntry{std::string(KeyAt(page, p.back().idx), info_.keyLength), Ptr(page, p.back().idx)};
  }

  // A walk in order meets each leaf once: meeting more leaves than the file
  // has pages means branches that loop or share a subtree.
  void CountLeafMet() {
    if (++leavesMet_ > file_.PagesInFile())
      throw DbError("El índice " + file_.Path() + " está dañado (sus páginas forman un ciclo).");
  }

  // Down to a leaf along the first (or last) child; leaf index 0 (or last).
  void Descend(std::uint32_t block, Path& p, bool rightmost) {
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

  // Moves a leaf position past the end of its page to the next entry.
  bool Normalize(Path& p) {
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

  // Nor does a walk meet more entries than the table has records.
  void CountEntryMet() {
    if (++entriesMet_ > file_.MaxEntries())
      throw DbError("El índice " + file_.Path() + " está dañado (tiene más entradas que registros la tabla).");
  }

  bool Advance(Path& p) {
    CountEntryMet();
    p.back().idx += 1;
    return Normalize(p);
  }

  bool Retreat(Path& p) {
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

  // Positions on the first entry at or after (key, recno); false at the end.
  bool Find(const std::string& key, std::uint32_t recno, Path& p) {
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

  // Inserts (ptr, key) before index p[level].idx of the page at that level.
  void InsertAt(Path& p, int level, std::uint32_t ptr, const std::string& key) {
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

  void Split(Path& p, int level, bool leaf) {
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

  void RemoveAt(Path& p, int level) {
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

}  // namespace

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

void MdxFile::SetRoot(int tag, std::uint32_t block) {
  ++version_;
  char* th = PageForWrite(tagHeaderBlocks_.at(tag));
  WriteU32(th, block);
  WriteU32(th + 4, nextBlock_ / 2);
  static_cast<MdxTag&>(*tags_.at(tag)).SetRoot(block);
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

void MdxFile::Reload() { ReadHeader(); }

}  // namespace data
