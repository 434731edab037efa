// Opening a table: its files and locks (its production index is taken or
// rebuilt in TableOpenIndex.cpp), closing it, and picking up what other
// copies stored since.
#include "data/Table.h"

#include <algorithm>

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
