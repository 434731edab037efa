// The production index on opening a table: used when it speaks for the
// records, else rebuilt from them, in the file when the table can be had
// exclusively, else in memory.
#include "data/Table.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "data/FieldCodec.h"
#include "data/TableFiles.h"
#include "data/TableSwitch.h"

namespace data {

namespace {
// A tag with no entry at all while the table has a visible record was never
// filled: the file does not speak for the table whatever its header says.
bool TagsReachRecords(TableFiles& f) {
  std::uint32_t live = 0;
  for (std::uint32_t r = 1; r <= f.header.recordCount && live == 0; ++r)
    if (f.Record(r)[0] != '*') live = r;
  if (live == 0) return true;
  return std::all_of(f.tags.begin(), f.tags.end(), [](IndexTag* t) { return t->First().has_value(); });
}

// Whether one of the tags is the field's own (on the bare field, not on an
// expression that merely mentions it).
bool HasPlainTag(const TableFiles& f, const std::vector<IndexInfo>& defs, int field) {
  return std::any_of(defs.begin(), defs.end(),
                     [&](const IndexInfo& d) { return f.CanEvaluate(d) && f.KeyExpressionOf(d).PlainField() == field; });
}

std::unique_ptr<MdxFile> OpenIndexFile(TableFiles& f, bool& unreadable) {
  auto mdx = std::make_unique<MdxFile>();
  try {
    mdx->Open(f.paths.mdx, f.writable);
  } catch (const DbError& e) {
    // A file this engine cannot read may hold other programs' tags, which
    // a rebuild from the field flags would drop: it stays as it is.
    if (mdx->HoldsNoTags()) throw;
    unreadable = true;
    f.readOnlyReason = std::string(e.what()) +
                       " Para no perder los índices que pueda guardar ese fichero, la tabla solo se puede leer;"
                       " si no hacen falta, retire el fichero de la carpeta y se volverá a crear.";
    throw;
  }
  return mdx;
}

// The file's tags this engine can keep up to date go to `defs` and the table.
void TakeTags(TableFiles& f, MdxFile& mdx, std::vector<IndexInfo>& defs) {
  for (int i = 0; i < mdx.TagCount(); ++i) {
    IndexInfo info = mdx.Tag(i).Info();
    int field;
    try {
      field = f.KeyExpressionOf(info).FirstField();
    } catch (const DbError& e) {
      // A tag this engine cannot keep up to date: the table is only
      // read, so that the other program's index stays as it is.
      if (f.readOnlyReason.empty())
        f.readOnlyReason = "La etiqueta " + info.name + " de " + f.paths.mdx +
                           (info.unkept.empty() ? " tiene la expresión " + info.expression +
                                                      ", que este programa no sabe calcular (" + e.what() + ")"
                                                : " no la puede mantener al día este programa: " + info.unkept) +
                           "; para no estropear ese índice, la tabla solo se puede leer.";
      continue;
    }
    defs.push_back(info);
    f.tags.push_back(&mdx.Tag(i));
    f.tagField.push_back(field);
  }
  if (!f.readOnlyReason.empty()) f.writable = false;
}

// Re-reads the counter under the header lock before comparing.
void RereadCounter(TableFiles& f) {
  std::string head(32, '\0');
  f.dbf.ReadExact(0, head.data(), 32);
  f.head32 = head;
  f.counter = ReadU32(&head[kHdrChangeCounter]);
  f.header.recordCount = std::min(f.header.recordCount, ReadU32(&head[kHdrRecordCount]) ? ReadU32(&head[kHdrRecordCount]) : f.header.recordCount);
}

// Whether the file speaks for the records with the tags taken: it vouches
// for them, or (written by another program) they check clean.
bool IndexSpeaksForTable(TableFiles& f, MdxFile& mdx, const std::vector<IndexInfo>& defs) {
  // Every field the table flags as indexed has its own tag, or the file
  // lost one and does not speak for the table. A table only read keeps
  // the tags it can evaluate.
  bool allTags = static_cast<int>(defs.size()) == mdx.TagCount();
  for (size_t i = 0; i < f.header.fields.size(); ++i)
    if (f.header.fields[i].indexFlag && !HasPlainTag(f, defs, static_cast<int>(i))) allTags = false;
  allTags = allTags || !f.readOnlyReason.empty();
  bool usable = IndexVouches(f, mdx, f.counter, f.header.recordCount) && allTags && TagsReachRecords(f);
  if (!mdx.HasMirror() && allTags && f.header.recordCount <= kMaxRecordsToVerifyForeignIndex) {
    // Written by another program: no counter to trust, so check it.
    auto problems = CheckTags(f);
    usable = problems.empty();
    if (!usable) f.indexProblem = problems.front();
    if (usable && f.writable && (f.exclusive || f.dbf.TryLock(kOpenLockByte, 1, true))) {
      mdx.Commit(f.counter, f.header.recordCount);  // ours from now on
      if (!f.exclusive) f.dbf.TryLock(kOpenLockByte, 1, false);
    }
  }
  return usable;
}

// Takes the index file's tags when the file speaks for the records (true);
// else says why in indexProblem. Throws when the file does not open.
bool UseIndexFile(TableFiles& f, std::vector<IndexInfo>& defs, bool& unreadable) {
  if (!f.paths.mdxFound) {
    f.indexProblem = "Falta el índice " + f.paths.mdx + ".";
    return false;
  }
  std::unique_ptr<MdxFile> mdx = OpenIndexFile(f, unreadable);
  TakeTags(f, *mdx, defs);
  RereadCounter(f);
  const bool usable = IndexSpeaksForTable(f, *mdx, defs);
  if (usable) f.mdx = std::move(mdx);
  else if (f.indexProblem.empty()) f.indexProblem = "El índice " + f.paths.mdx + " no está al día con los registros.";
  return usable;
}

// The field flags tell which fields had tags, also those the index file lost:
// a plain tag on each flagged field that has none in `defs`.
void AddFlaggedFieldTags(const TableFiles& f, std::vector<IndexInfo>& defs) {
  for (size_t i = 0; i < f.header.fields.size(); ++i) {
    const auto& fd = f.header.fields[i];
    if (!fd.indexFlag) continue;
    if (HasPlainTag(f, defs, static_cast<int>(i))) continue;
    IndexInfo info;
    info.name = fd.name.substr(0, 10);
    info.expression = fd.name;
    if (IsNumericType(fd.type)) info.keyType = KeyType::Numeric, info.keyLength = kNumericKeyLength;
    else if (IsDateType(fd.type)) info.keyType = KeyType::Date, info.keyLength = kDateKeyLength;
    else if (fd.type == 'C') info.keyType = KeyType::Character, info.keyLength = std::min(fd.length, 240);
    else continue;
    defs.push_back(info);
  }
}
}  // namespace

// Uses the .MDX when it is in step with the records; otherwise rebuilds it,
// in the file when the table can be had exclusively, else in memory.
void Table::PrepareIndexes() {
  TableFiles& f = *files_;
  // dBase IV writes level byte 0x03 for a table without memo fields: the
  // production-index flag, not the level, says whether there is an .MDX.
  // (FoxPro uses the same flag for its .CDX, which this engine does not read.)
  if (f.header.level == DbfLevel::FoxPro) return;
  if (f.header.mdxFlag == 0) return;  // a stray index file the table does not claim
  std::vector<IndexInfo> defs;
  bool usable = false;
  bool unreadable = false;  // an index file that cannot be parsed
  const bool locked = f.exclusive || f.dbf.Lock(kLockBase, 1, false, kLockWaitMs);
  try {
    usable = UseIndexFile(f, defs, unreadable);
  } catch (const DbError& e) {
    usable = false;
    if (!unreadable) f.indexProblem = e.what();
  }
  if (locked && !f.exclusive) f.dbf.Unlock(kLockBase, 1);
  if (!f.readOnlyReason.empty() && f.exclusive)
    throw DbError("No se puede abrir en exclusiva la tabla " + f.paths.dbf + ". " + f.readOnlyReason);
  if (usable) return;
  f.tags.clear();
  f.tagField.clear();
  if (unreadable) f.writable = false;
  if (f.readOnlyReason.empty() || unreadable) AddFlaggedFieldTags(f, defs);
  RebuildIndexes(defs);
}

// Builds the tags of `defs` anew from the records: in the file when the
// table can be had exclusively (for a moment, when it is open shared), else
// in memory.
void Table::RebuildIndexes(const std::vector<IndexInfo>& defs) {
  TableFiles& f = *files_;
  for (auto& d : defs) {
    f.tags.push_back(nullptr);
    f.tagField.push_back(f.KeyExpressionOf(d).FirstField());
  }
  bool inFile = f.writable && (f.exclusive || f.dbf.TryLock(0, 0, true));
  if (inFile) f.indexProblem.clear();  // mended for good below
  if (inFile && !f.exclusive) {
    // Had it exclusively for a moment: rebuild in the file, then share again.
    try {
      RebuildIndexFile(defs);
    } catch (...) {
      f.dbf.TryLock(0, 0, false);
      f.dbf.Unlock(0, kOpenLockByte);
      f.dbf.Unlock(kOpenLockByte + 1, 0);
      throw;
    }
    f.dbf.TryLock(0, 0, false);
    f.dbf.Unlock(0, kOpenLockByte);
    f.dbf.Unlock(kOpenLockByte + 1, 0);
    return;
  }
  if (inFile) {
    RebuildIndexFile(defs);
    return;
  }
  f.mdx.reset();
  f.memoryTags.clear();
  for (size_t i = 0; i < defs.size(); ++i) {
    f.memoryTags.push_back(MakeMemoryTag(defs[i]));
    f.tags[i] = f.memoryTags.back().get();
  }
  RebuildIndexesFromRecords(false);
}

// A new index file is built whole under the staging name and synced, and
// only then renamed over the old one: a crash on the way leaves the old file
// (out of step, so rebuilt again) and a leftover the next open removes.
void Table::RebuildIndexFile(const std::vector<IndexInfo>& defs) {
  TableFiles& f = *files_;
  const std::string staged = StagingFor(folder_, tableName_).mdx;
  f.mdx.reset();
  f.memoryTags.clear();
  MdxFile::Create(staged, TableStem(tableName_), defs, f.counter, f.header.recordCount);
  f.mdx = std::make_unique<MdxFile>();
  f.mdx->Open(staged, true);
  for (int i = 0; i < f.mdx->TagCount(); ++i) f.tags[i] = &f.mdx->Tag(i);
  RebuildIndexesFromRecords(true);
  f.mdx.reset();
  RenameFile(staged, f.paths.mdx);
  SyncFolder(folder_);
  f.paths.mdxFound = true;
  f.mdx = std::make_unique<MdxFile>();
  f.mdx->Open(f.paths.mdx, true);
  for (int i = 0; i < f.mdx->TagCount(); ++i) f.tags[i] = &f.mdx->Tag(i);
}

void Table::RebuildIndexesFromRecords(bool inFile) {
  TableFiles& f = *files_;
  f.ForgetWindow();
  std::vector<int> all(f.tags.size());
  for (size_t t = 0; t < all.size(); ++t) all[t] = static_cast<int>(t);
  auto entries = f.EntriesFromRecords(all);
  for (size_t t = 0; t < f.tags.size(); ++t) {
    f.tags[t]->Load(entries[t]);
    std::vector<IndexEntry>().swap(entries[t]);
  }
  if (inFile && f.mdx) {
    if (f.header.mdxFlag == 0) {
      char one = 1;
      f.dbf.WriteAt(kHdrMdxFlag, &one, 1);
      f.header.mdxFlag = 1;
      f.head32[kHdrMdxFlag] = 1;
      f.dbf.Sync();
    }
    f.mdx->Commit(f.counter, f.header.recordCount);
  }
}

}  // namespace data
