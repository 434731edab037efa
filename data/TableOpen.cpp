// Opening a table: its files, locks and production index, and picking up
// what other copies stored since.
#include "data/Table.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "data/CodePage.h"
#include "data/FieldCodec.h"
#include "data/NameCase.h"
#include "data/TableFiles.h"
#include "data/TableSwitch.h"

namespace data {

// ---------------------------------------------------------------- opening

void Table::Open(OpenMode mode) {
  if (Active()) return;
  // A switch to new files that a crash interrupted is finished first, as a
  // database replays its journal: until then the files may be a mix.
  try {
    FinishInterruptedSwitch(folder_, tableName_);
  } catch (const DbError&) {
    if (mode != OpenMode::ReadOnly) throw;
  }
  OpenFiles(mode);
  try {
    // Staging files of a build that never switched: only a copy.
    if (files_->writable) RemoveUnfinishedBuild(folder_, tableName_);
    PrepareIndexes();
    state_ = TableState::Browse;
    if (!indexName_.empty()) {
      std::string wanted = indexName_;
      indexName_.clear();
      SetIndexName(wanted);
    }
    First();
  } catch (...) {
    files_.reset();
    state_ = TableState::Inactive;
    throw;
  }
}

void Table::OpenFiles(OpenMode mode) {
  if (tableName_.empty()) throw DbError("No se ha indicado el nombre de la tabla.");
  auto files = std::make_unique<TableFiles>();
  files->paths = FindFamily(folder_, tableName_);
  if (!files->paths.dbfFound) throw DbError("La tabla " + files->paths.dbf + " no existe.");
  try {
    if (mode == OpenMode::ReadOnly) throw DbError("solo lectura");
    files->dbf.Open(files->paths.dbf, true);
    files->writable = true;
  } catch (const DbError&) {
    if (mode == OpenMode::Exclusive) throw;
    files->dbf.Open(files->paths.dbf, false);
  }
  File& dbf = files->dbf;
  if (mode == OpenMode::Exclusive) {
    if (!dbf.TryLock(0, 0, true))
      throw DbError("La tabla " + files->paths.dbf + " está en uso por otro usuario o programa.");
    files->exclusive = true;
  } else if (!dbf.TryLock(kOpenLockByte, 1, false)) {
    throw DbError("La tabla " + files->paths.dbf + " está abierta en exclusiva por otro usuario o programa.");
  }
  // Mapped only now: the open lock keeps cooperating programs from
  // shrinking the files below the size the view covers.
  dbf.MapForReading();
  const std::uint64_t size = dbf.Size();
  std::string head(32, '\0');
  if (dbf.ReadAt(0, head.data(), 32) < 32)
    throw DbError("El fichero " + files->paths.dbf + " no es una tabla dBase válida: la cabecera está incompleta.");
  std::uint16_t hl = HeaderLengthOf(head);
  std::string bytes(std::max<size_t>(hl, 32), '\0');
  size_t got = dbf.ReadAt(0, bytes.data(), bytes.size());
  bytes.resize(got);
  files->header = ParseDbfHeader(bytes, size, files->paths.dbf);
  files->head32 = bytes.substr(0, 32);
  files->counter = ReadU32(&files->head32[kHdrChangeCounter]);
  for (const auto& f : files->header.fields) files->fieldInfos.push_back(InfoOf(f));
  if (files->header.memoStyle != MemoStyle::None) {
    FamilyPaths& fam = files->paths;
    if (files->header.memoStyle == MemoStyle::FoxPro) {
      fam.memo = fam.foxMemo;
      fam.memoFound = fam.foxMemoFound;
    }
    if (!fam.memoFound) throw DbError("Falta el fichero de memos " + fam.memo + " de la tabla.");
    files->memo.Open(fam.memo, files->header.memoStyle, files->writable);
  }
  record_.assign(files->header.recordLength, ' ');
  files_ = std::move(files);
}

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
    if (f.paths.mdxFound) {
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
      for (int i = 0; i < mdx->TagCount(); ++i) {
        IndexInfo info = mdx->Tag(i).Info();
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
        f.tags.push_back(&mdx->Tag(i));
        f.tagField.push_back(field);
      }
      if (!f.readOnlyReason.empty()) f.writable = false;
      // Re-read the counter under the header lock before comparing.
      std::string head(32, '\0');
      f.dbf.ReadExact(0, head.data(), 32);
      f.head32 = head;
      f.counter = ReadU32(&head[kHdrChangeCounter]);
      f.header.recordCount = std::min(f.header.recordCount, ReadU32(&head[kHdrRecordCount]) ? ReadU32(&head[kHdrRecordCount]) : f.header.recordCount);
      // Every field the table flags as indexed has its own tag, or the file
      // lost one and does not speak for the table. A table only read keeps
      // the tags it can evaluate.
      bool allTags = static_cast<int>(defs.size()) == mdx->TagCount();
      for (size_t i = 0; i < f.header.fields.size(); ++i)
        if (f.header.fields[i].indexFlag && !HasPlainTag(f, defs, static_cast<int>(i))) allTags = false;
      allTags = allTags || !f.readOnlyReason.empty();
      usable = IndexVouches(f, *mdx, f.counter, f.header.recordCount) && allTags && TagsReachRecords(f);
      if (!mdx->HasMirror() && allTags && f.header.recordCount <= kMaxRecordsToVerifyForeignIndex) {
        // Written by another program: no counter to trust, so check it.
        auto problems = CheckTags(f);
        usable = problems.empty();
        if (!usable) f.indexProblem = problems.front();
        if (usable && f.writable && (f.exclusive || f.dbf.TryLock(kOpenLockByte, 1, true))) {
          mdx->Commit(f.counter, f.header.recordCount);  // ours from now on
          if (!f.exclusive) f.dbf.TryLock(kOpenLockByte, 1, false);
        }
      }
      if (usable) f.mdx = std::move(mdx);
      else if (f.indexProblem.empty()) f.indexProblem = "El índice " + f.paths.mdx + " no está al día con los registros.";
    } else {
      f.indexProblem = "Falta el índice " + f.paths.mdx + ".";
    }
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
  if (f.readOnlyReason.empty() || unreadable) {
    // The field flags tell which fields had tags, also those the index file lost.
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

void Table::Close() {
  if (!files_) return;
  if (state_ == TableState::Edit || state_ == TableState::Insert) Cancel();
  files_.reset();  // closing the descriptors drops every lock of this open
  state_ = TableState::Inactive;
  recno_ = 0;
  eof_ = bof_ = true;
  currentTag_ = -1;
}

// Picks up what other copies stored since we last looked: the header's
// change counter moves with every write.
void Table::CheckForeignChanges(bool force) {
  TableFiles& f = *files_;
  if (f.exclusive && !force) return;
  // Under our own header lock (posting) no other copy can be mid-write; a
  // read lock taken here would turn that write lock into a read lock.
  const bool holdingHeader = f.holdingHeaderLock;
  char head[32];
  if (f.dbf.ReadAt(0, head, 32) < 32) throw DbError("La tabla " + f.paths.dbf + " está dañada.");
  const std::uint32_t counter = ReadU32(head + kHdrChangeCounter);
  const std::uint32_t count = ReadU32(head + kHdrRecordCount);
  if (counter == f.counter && count == f.header.recordCount) return;
  const std::uint64_t size = f.dbf.Size();
  const std::uint64_t fits = size > f.header.headerLength ? (size - f.header.headerLength) / f.header.recordLength : 0;
  f.header.recordCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, fits));
  f.head32.assign(head, 32);
  f.counter = counter;
  f.ForgetWindow();
  f.liveCount.reset();
  if (f.mdx) {
    // Reloading replaces the tag objects: keep their definitions first.
    std::vector<IndexInfo> infos;
    for (auto* t : f.tags) infos.push_back(t->Info());
    bool inStep = false;
    // (Exclusively open, the whole file is locked already.)
    const bool lockHere = !holdingHeader && !f.exclusive;
    if (!lockHere || f.dbf.Lock(kLockBase, 1, false, kLockWaitMs)) {
      try {
        f.mdx->Reload();
        f.dbf.ReadAt(0, head, 32);
        f.counter = ReadU32(head + kHdrChangeCounter);
        const std::uint32_t c2 = ReadU32(head + kHdrRecordCount);
        f.header.recordCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(c2, (f.dbf.Size() - f.header.headerLength) / f.header.recordLength));
        inStep = c2 == f.header.recordCount && IndexVouches(f, *f.mdx, f.counter, c2);
        f.head32.assign(head, 32);
      } catch (const DbError&) {
        inStep = false;
      }
      if (lockHere) f.dbf.Unlock(kLockBase, 1);
    }
    if (inStep) {
      for (int i = 0, k = 0; i < f.mdx->TagCount() && k < static_cast<int>(f.tags.size()); ++i) {
        if (!f.CanEvaluate(f.mdx->Tag(i).Info())) continue;
        f.tags[k++] = &f.mdx->Tag(i);
      }
      return;
    }
    // Someone left the index behind: keep going on an index in memory.
    f.memoryTags.clear();
    for (const auto& info : infos) f.memoryTags.push_back(MakeMemoryTag(info));
    f.mdx.reset();
    for (size_t i = 0; i < f.tags.size(); ++i) f.tags[i] = f.memoryTags[i].get();
  }
  if (!f.tags.empty()) RebuildIndexesFromRecords(false);
}

void Table::Refresh() {
  RequireActive();
  CheckForeignChanges();
  if (state_ == TableState::Browse && recno_ != 0 && !GotoRecNo(recno_)) First();
}

}  // namespace data
