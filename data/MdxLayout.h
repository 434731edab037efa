#pragma once
// Byte layout of the production index file shared by its parts (the file and
// its tag table, the page cache and its commits, the tags' B-trees). Not for
// use outside the index code.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/MdxFile.h"

namespace data::mdxlayout {

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

inline int ItemLength(int keyLength) { return ((keyLength + 4) + 3) / 4 * 4; }
// Entries of a page, leaving room after the last one for the branch's extra
// pointer (or the leaf's zero terminator).
inline int MaxKeys(int keyLength) { return (MdxFile::kPageSize - 12) / ItemLength(keyLength); }

// FNV-1a over each page's block number and bytes.
std::uint64_t PagesChecksum(const std::vector<std::uint32_t>& blocks, const std::vector<const char*>& pages);

// Today's date as the header keeps it: year within the century, month, day.
void StampDate(char* p);

}  // namespace data::mdxlayout
