#pragma once
// What an open Table holds: the .DBF, its memo file, its production index (in
// the file, or rebuilt in memory when the file cannot be used), the locks and
// a read-ahead window over the records.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/DbfHeader.h"
#include "data/FileIo.h"
#include "data/IndexTag.h"
#include "data/KeyExpression.h"
#include "data/MdxFile.h"
#include "data/MemoFile.h"
#include "data/Table.h"

namespace data {

// Lock offsets used by dBase engines: record n at kLockBase - n, the header
// (append) lock at kLockBase; opening shared holds a read lock on the byte
// above, and opening exclusively a write lock on the whole range.
constexpr std::uint64_t kLockBase = 0xEFFFFFFEULL;
constexpr std::uint64_t kOpenLockByte = 0xEFFFFFFFULL;
constexpr int kLockWaitMs = 5000;

// Family files of a table whatever the case of their names on disk, found
// in one look at the folder: memo is the dBase memo file (.DBT), foxMemo
// the FoxPro one (.FPT); which one the table uses its header says.
struct FamilyPaths {
  std::string dbf, memo, foxMemo, mdx;  // found paths, or where they would be created
  bool dbfFound = false, memoFound = false, foxMemoFound = false, mdxFound = false;
};
FamilyPaths FindFamily(const std::string& folder, const std::string& tableName);

struct TableFiles {
  FamilyPaths paths;
  File dbf;
  bool writable = false;
  bool exclusive = false;
  bool holdingHeaderLock = false;
  bool unsynced = false;  // batch writes not yet synced  // posting: the header (append) lock is ours
  DbfHeader header;
  std::string head32;  // first 32 header bytes as last read or written
  std::uint32_t counter = 0;
  std::vector<FieldInfo> fieldInfos;
  MemoFile memo;
  std::unique_ptr<MdxFile> mdx;                        // index in the file
  std::vector<std::unique_ptr<IndexTag>> memoryTags;   // or rebuilt in memory
  std::vector<IndexTag*> tags;
  std::vector<int> tagField;
  std::optional<std::uint32_t> liveCount;
  std::string indexProblem;  // why the index file was not used at open
  // Why the table opened read-only (a tag it cannot keep up to date), or "".
  std::string readOnlyReason;
  mutable std::map<std::string, KeyExpression> keyExpressions;  // by expression text
  // Read-ahead window of whole records.
  std::string window;
  std::uint32_t windowFirst = 0;
  std::uint32_t windowCount = 0;

  std::uint64_t RecordOffset(std::uint32_t recno) const {
    return header.headerLength + static_cast<std::uint64_t>(recno - 1) * header.recordLength;
  }
  // The stored bytes of record `recno` (1-based, within the count).
  const char* Record(std::uint32_t recno);
  void ForgetWindow() { windowCount = 0; }
  std::string KeyOf(int tag, const char* record) const;
  // The tag's key expression compiled over the fields; DbError (saying why)
  // when the engine cannot evaluate it or it does not give the tag's key type.
  const KeyExpression& KeyExpressionOf(const IndexInfo& info) const;
  const KeyExpression& TagKey(int tag) const { return KeyExpressionOf(tags[tag]->Info()); }
  bool CanEvaluate(const IndexInfo& info) const;
  // Entries of the visible records in index order (unique tags: the first
  // record of each key), for one tag or for several from one pass.
  std::vector<IndexEntry> EntriesFromRecords(int tag);
  std::vector<std::vector<IndexEntry>> EntriesFromRecords(const std::vector<int>& tags);
};

// Walks every tag against the records: each visible record found under its
// key, entries in order. One line per problem.
std::vector<std::string> CheckTags(TableFiles& f);

// What a change overwrites, to take it back when it fails part way.
struct WriteUndo {
  bool active = false;
  std::string head32;
  std::uint32_t recno = 0;
  std::uint64_t dbfSize = 0;
  std::string record;  // an edited or deleted record as stored before
  std::string tail;    // bytes an append overwrites
  std::vector<std::pair<std::uint64_t, std::string>> counters;  // autoincrement counters
  bool hasMemo = false;
  MemoFile::Mark memo;
};

// Shared by the parts of Table: numbers and dates typed as text, the
// stored form of numbers, names fit for fields and tags, and whether an
// index file speaks for the records as stored.
std::string PlainNumber(double v);
std::optional<TDateTime> ParseDateText(const std::string& text, const std::string& field);
std::optional<double> ParseNumberText(const std::string& text);
FieldInfo InfoOf(const DbfField& f);
bool ValidName(const std::string& n);
bool IndexVouches(TableFiles& f, const MdxFile& mdx, std::uint32_t counter, std::uint32_t records);
// A tag on an expression (not a field of the table) takes its key type and
// length from the expression; IsBareName tells a field name from one.
void ShapeFromExpression(IndexInfo& info, const std::vector<DbfField>& fields, DbfLevel level, int codePage);
bool IsBareName(const std::string& s);
// "La tabla ... es de solo lectura." and why, when a tag made it so.
std::string ReadOnlyText(const TableFiles& f);

// Tables up to this size get an index file written by another program
// checked entry by entry at open; larger ones are rebuilt instead.
constexpr std::uint32_t kMaxRecordsToVerifyForeignIndex = 200000;

}  // namespace data
