// Editing: posting, deleting and bulk loading, each change durable on return.
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

// ---------------------------------------------------------------- editing

void Table::Append() {
  RequireBrowse("añadir un registro");
  if (!files_->writable) throw DbError(ReadOnlyText(*files_));
  CheckForeignChanges();
  original_.clear();
  record_.assign(files_->header.recordLength, ' ');
  for (const auto& f : files_->header.fields) ClearField(f, record_.data());
  memoEdits_.clear();
  state_ = TableState::Insert;
  try {
    if (OnNewRecord) OnNewRecord(*this);
  } catch (...) {
    Cancel();
    throw;
  }
}

void Table::Edit() {
  RequireBrowse("editar");
  TableFiles& f = *files_;
  if (!f.writable) throw DbError(ReadOnlyText(f));
  if (recno_ == 0) throw DbError("No hay ningún registro que editar en " + tableName_ + ".");
  if (!f.exclusive && !f.dbf.Lock(kLockBase - recno_, 1, true, 2000))
    throw DbError("El registro está bloqueado por otro usuario.");
  // The record as stored now, not as read earlier.
  std::string fresh(f.header.recordLength, '\0');
  try {
    f.dbf.ReadExact(f.RecordOffset(recno_), fresh.data(), fresh.size());
  } catch (...) {
    if (!f.exclusive) f.dbf.Unlock(kLockBase - recno_, 1);
    throw;
  }
  if (fresh[0] == '*') {
    if (!f.exclusive) f.dbf.Unlock(kLockBase - recno_, 1);
    throw DbError("El registro ha sido borrado por otro usuario.");
  }
  record_ = fresh;
  original_ = fresh;
  memoEdits_.clear();
  state_ = TableState::Edit;
}

void Table::Cancel() {
  RequireActive();
  if (state_ == TableState::Browse) return;
  TableFiles& f = *files_;
  if (state_ == TableState::Edit && !f.exclusive) f.dbf.Unlock(kLockBase - recno_, 1);
  const bool wasInsert = state_ == TableState::Insert;
  state_ = TableState::Browse;
  memoEdits_.clear();
  if (wasInsert || !GotoRecNo(recno_)) {
    if (recno_ == 0 || !GotoRecNo(recno_)) First();
  }
}

// Files replaced under this open (a restore or a copy by hand that ignored
// the locks) are no longer the table: a write into them would be lost.
bool Table::FilesReplaced() const {
  if (!files_) return false;
  const TableFiles& f = *files_;
  return !(f.dbf.StillAt(f.paths.dbf) && (!f.memo.IsOpen() || f.memo.StillAt()) && (!f.mdx || f.mdx->StillAt()));
}

void Table::RequireFilesInPlace() {
  const TableFiles& f = *files_;
  if (FilesReplaced())
    throw DbError("Los ficheros de la tabla " + f.paths.dbf +
                  " han sido sustituidos por otro programa; ciérrela y vuelva a abrirla.");
}

void Table::LockForWrite() {
  TableFiles& f = *files_;
  RequireFilesInPlace();
  if (f.exclusive) return;
  if (!f.dbf.Lock(kLockBase, 1, true, kLockWaitMs))
    throw DbError("La tabla " + f.paths.dbf + " está bloqueada por otro usuario; inténtelo de nuevo.");
  f.holdingHeaderLock = true;
  try {
    CheckForeignChanges();
  } catch (...) {
    UnlockWrite();
    throw;
  }
}

void Table::UnlockWrite() {
  if (files_->exclusive) return;
  files_->holdingHeaderLock = false;
  files_->dbf.Unlock(kLockBase, 1);
}

// Puts a change on disk so that a crash at any moment leaves the table as
// it was or as it is now, in two sync rounds (each syncing its files at
// once). What the record relies on goes first: its memo texts, and the index
// header announcing which pages change and what they will hold. Then the
// record with the table header, and the index pages. A crash in between
// leaves the index out of step with the counter, or its announced pages not
// matching: either way it is rebuilt at the next open. The index entries are
// already changed in the page cache; `writeRecord` writes the .DBF.
void Table::WriteDurably(bool memoWritten, std::uint32_t recno, const char* record,
                         const std::function<void()>& writeRecord) {
  TableFiles& f = *files_;
  if (bulk_) {
    // A batch syncs once at its end, the index last.
    writeRecord();
    return;
  }
  MdxFile* mdx = f.mdx.get();
  const bool pages = mdx && mdx->HasDirtyPages();
  bool announced = false;
  std::vector<std::function<void()>> first;
  if (memoWritten) first.push_back([&f] { f.memo.Sync(); });
  const std::uint64_t recordSum = BytesChecksum(record, f.header.recordLength);
  if (pages && mdx->BeginCommit(f.counter, f.header.recordCount, recno, recordSum)) {
    announced = true;
    first.push_back([mdx] { mdx->Sync(); });
  }
  RunTogether(first);
  writeRecord();
  if (!mdx) {
    f.dbf.Sync();
  } else if (!pages && mdx->BeginCommit(f.counter, f.header.recordCount, recno, recordSum)) {
    // No page changes: the new mirror may land with the record.
    RunTogether({[&f] { f.dbf.Sync(); }, [mdx] { mdx->Sync(); }});
  } else if (announced) {
    mdx->FinishCommit();
    RunTogether({[&f] { f.dbf.Sync(); }, [mdx] { mdx->Sync(); }});
  } else {
    // Too many pages to announce (or a changed tag table): the record
    // first, then the pages, then the mirror that vouches for them.
    f.dbf.Sync();
    mdx->Commit(f.counter, f.header.recordCount);
  }
}

// What a change overwrites, kept until it is on disk: a change that fails
// part way (a full disk, a failing sync) is taken back, so that a caller
// told it failed never finds it stored later.
void Table::MarkForUndo(WriteUndo& u, std::uint32_t recno, const std::string* oldRecord) {
  TableFiles& f = *files_;
  u = WriteUndo();
  u.active = true;
  u.head32 = f.head32;
  u.recno = recno;
  u.dbfSize = f.dbf.Size();
  if (oldRecord) {
    u.record = *oldRecord;
  } else {
    // Appending overwrites the end-of-file mark (and any bytes past the count).
    const std::uint64_t at = f.RecordOffset(recno);
    if (u.dbfSize > at) {
      u.tail.resize(static_cast<size_t>(std::min<std::uint64_t>(u.dbfSize - at, f.header.recordLength + 1)));
      u.tail.resize(f.dbf.ReadAt(at, u.tail.data(), u.tail.size()));
    }
  }
  if (f.memo.IsOpen()) {
    u.memo = f.memo.MarkEnd();
    u.hasMemo = true;
  }
}

void Table::UndoFailedWrite(const WriteUndo& u) {
  if (!u.active) return;
  TableFiles& f = *files_;
  try {
    f.dbf.WriteAt(1, u.head32.data() + 1, kHdrChangeCounter + 4 - 1);
    if (!u.record.empty()) {
      f.dbf.WriteAt(f.RecordOffset(u.recno), u.record.data(), u.record.size());
    } else {
      if (!u.tail.empty()) f.dbf.WriteAt(f.RecordOffset(u.recno), u.tail.data(), u.tail.size());
      if (f.dbf.Size() > u.dbfSize) f.dbf.Truncate(u.dbfSize);
      f.dbf.MapForReading();
    }
    for (const auto& [at, bytes] : u.counters) f.dbf.WriteAt(at, bytes.data(), 4);
    f.dbf.Sync();
    if (u.hasMemo) {
      f.memo.BackTo(u.memo);
      f.memo.Sync();
    }
  } catch (...) {
    // A second failure: the next open finds the table as the disk has it.
  }
}

// A write that failed half way leaves the cached index pages and the
// counters ahead of the disk: forget them and take the table as stored.
void Table::RecoverFromFailedWrite() {
  TableFiles& f = *files_;
  try {
    f.ForgetWindow();
    f.counter = ~ReadU32(&f.head32[kHdrChangeCounter]);  // never the stored one
    CheckForeignChanges(true);
  } catch (...) {
    // The table stays as the failed write left it; the next open mends it.
  }
}

// dBase 7 autoincrement fields: a new record left blank there takes the next
// value of the field's counter (bytes 42-45 of its descriptor, where the
// dBase engines keep it; some format notes say 40-43), read here
// under the append lock since another copy may have moved it; a value given
// by the caller is kept and the counter moves past it. The counters are
// written before the record, so a crash can leave a gap in the numbers but
// never hand one out twice.
std::vector<std::pair<std::uint64_t, std::uint32_t>> Table::AssignAutoIncrements(std::vector<int>& filled) {
  TableFiles& f = *files_;
  std::vector<std::pair<std::uint64_t, std::uint32_t>> writes;
  if (f.header.level != DbfLevel::dBase7) return writes;
  for (size_t i = 0; i < f.header.fields.size(); ++i) {
    const DbfField& fd = f.header.fields[i];
    if (fd.type != '+' || fd.length != 4) continue;
    const std::uint64_t at = f.header.descriptorStart + i * static_cast<std::uint64_t>(f.header.descriptorSize) + 42;
    char stored[4];
    f.dbf.ReadExact(at, stored, 4);
    std::uint32_t next = std::max<std::uint32_t>(ReadU32(stored), 1);
    const char* p = record_.data() + fd.offset;
    if (std::all_of(p, p + 4, [](char c) { return c == 0; })) {
      if (next > 0x7FFFFFFFU) throw DbError("El campo " + fd.name + " ha agotado sus números.");
      WriteNumber(fd, record_.data(), f.header.level, static_cast<double>(next));
      filled.push_back(static_cast<int>(i));
      next += 1;
    } else {
      const double given = ReadNumber(fd, record_.data(), f.header.level);
      if (given >= next) next = static_cast<std::uint32_t>(given) + 1;
    }
    writes.push_back({at, next});
  }
  return writes;
}

void Table::RenumberIfTaken() {
  TableFiles& f = *files_;
  const int field = ResolveField(renumberField_);
  for (size_t t = 0; t < f.tags.size(); ++t) {
    const IndexInfo& info = f.tags[t]->Info();
    // Unique or not: the application's key is this number whatever flag
    // the tag was (re)built with. Only the field's own tag: one on an
    // expression that mentions the field does not order it.
    if (f.TagKey(static_cast<int>(t)).PlainField() != field || info.keyType != KeyType::Numeric) continue;
    const std::string key = f.KeyOf(static_cast<int>(t), record_.data());
    const auto e = f.tags[t]->SeekGE(key, 0);
    if (!e || CompareKeys(info.keyType, e->key.data(), key.data(), info.keyLength) != 0) return;
    const auto last = f.tags[t]->Last();
    WriteNumber(f.header.fields[field], record_.data(), f.header.level, NumericKeyValue(last->key.data()) + 1);
    return;
  }
}

bool Table::Post() {
  RequireActive();
  if (state_ != TableState::Edit && state_ != TableState::Insert) return true;
  bool abort = false;
  if (OnBeforePost) OnBeforePost(*this, abort);
  if (abort) return false;
  TableFiles& f = *files_;
  const bool insert = state_ == TableState::Insert;
  LockForWrite();
  std::vector<int> autoFilled;  // autoincrement fields numbered by this post
  WriteUndo undo;
  try {
    std::uint32_t recno = insert ? f.header.recordCount + 1 : recno_;
    if (insert && !renumberField_.empty()) RenumberIfTaken();
    const auto counterWrites = insert ? AssignAutoIncrements(autoFilled) : std::vector<std::pair<std::uint64_t, std::uint32_t>>();
    // Unique tags refuse a second record with the same key.
    std::vector<std::string> newKeys(f.tags.size()), oldKeys(f.tags.size());
    for (size_t t = 0; t < f.tags.size(); ++t) {
      newKeys[t] = f.KeyOf(static_cast<int>(t), record_.data());
      if (!insert) oldKeys[t] = f.KeyOf(static_cast<int>(t), original_.data());
      const IndexInfo& info = f.tags[t]->Info();
      if (!info.unique) continue;
      auto e = f.tags[t]->SeekGE(newKeys[t], 0);
      if (e && e->recno != recno &&
          CompareKeys(info.keyType, e->key.data(), newKeys[t].data(), info.keyLength) == 0)
        throw DbError("Ya existe un registro con el mismo valor de " + f.header.fields[f.tagField[t]].name +
                      " (índice " + info.name + ").");
    }
    MarkForUndo(undo, recno, insert ? nullptr : &original_);
    // 1. Memo texts, at the end of the memo file: until the record points
    //    at them they are only unused space.
    bool memoWritten = false;
    if (!memoEdits_.empty()) {
      for (auto& [index, text] : memoEdits_) {
        std::uint32_t block = f.memo.IsOpen() ? f.memo.Append(FromUtf8(text, f.header.codePage)) : 0;
        memoWritten = memoWritten || block != 0;
        WriteMemoBlock(f.header.fields[index], record_.data(), block);
      }
    }
    record_[0] = ' ';
    // 2. Index entries, in the page cache for now.
    try {
      for (size_t t = 0; t < f.tags.size(); ++t) {
        if (!insert && oldKeys[t] == newKeys[t]) continue;
        if (!insert) f.tags[t]->Remove({oldKeys[t], recno});
        f.tags[t]->Insert({newKeys[t], recno});
      }
      // 3. The record, then the header that counts it and the change counter.
      f.counter += 1;
      if (insert) f.header.recordCount = recno;
      StampLastUpdate(f.head32.data());
      WriteU32(&f.head32[kHdrRecordCount], f.header.recordCount);
      WriteU32(&f.head32[kHdrChangeCounter], f.counter);
      WriteDurably(memoWritten, recno, record_.data(), [&] {
        for (const auto& [at, next] : counterWrites) {
          char bytes[4];
          f.dbf.ReadExact(at, bytes, 4);
          undo.counters.push_back({at, std::string(bytes, 4)});
          WriteU32(bytes, next);
          f.dbf.WriteAt(at, bytes, 4);
        }
        if (insert) {
          std::string out = record_ + '\x1A';
          f.dbf.WriteAt(f.RecordOffset(recno), out.data(), out.size());
        } else {
          f.dbf.WriteAt(f.RecordOffset(recno), record_.data(), record_.size());
        }
        f.dbf.WriteAt(1, f.head32.data() + 1, kHdrChangeCounter + 4 - 1);
      });
    } catch (...) {
      UndoFailedWrite(undo);
      RecoverFromFailedWrite();
      undo.active = false;
      throw;
    }
    f.ForgetWindow();
    if (f.liveCount && insert) *f.liveCount += 1;
    recno_ = recno;
  } catch (...) {
    // A number handed out by a post that did not happen is not kept: by
    // the next try another copy may have taken it.
    for (int i : autoFilled) ClearField(f.header.fields[i], record_.data());
    if (undo.active) {
      // Failed before the index entries went in (the memo texts): back too.
      UndoFailedWrite(undo);
      RecoverFromFailedWrite();
    }
    UnlockWrite();
    throw;
  }
  UnlockWrite();
  if (!insert && !f.exclusive) f.dbf.Unlock(kLockBase - recno_, 1);
  state_ = TableState::Browse;
  memoEdits_.clear();
  eof_ = bof_ = false;
  SetCurrentKeyFromRecord();
  if (OnAfterPost) OnAfterPost(*this);
  return true;
}

void Table::Delete() {
  RequireActive();
  if (state_ == TableState::Insert) {
    Cancel();
    return;
  }
  TableFiles& f = *files_;
  if (!f.writable) throw DbError(ReadOnlyText(f));
  if (recno_ == 0) throw DbError("No hay ningún registro que borrar en " + tableName_ + ".");
  const bool editing = state_ == TableState::Edit;
  if (!editing && !f.exclusive && !f.dbf.Lock(kLockBase - recno_, 1, true, 2000))
    throw DbError("El registro está bloqueado por otro usuario.");
  const std::uint32_t recno = recno_;
  try {
    LockForWrite();
    try {
      std::string stored(f.header.recordLength, '\0');
      f.dbf.ReadExact(f.RecordOffset(recno), stored.data(), stored.size());
      if (stored[0] != '*') {
        WriteUndo undo;
        MarkForUndo(undo, recno, &stored);
        try {
          for (size_t t = 0; t < f.tags.size(); ++t)
            f.tags[t]->Remove({f.KeyOf(static_cast<int>(t), stored.data()), recno});
          f.counter += 1;
          WriteU32(&f.head32[kHdrChangeCounter], f.counter);
          stored[0] = '*';
          WriteDurably(false, recno, stored.data(), [&] {
            f.dbf.WriteAt(f.RecordOffset(recno), "*", 1);
            f.dbf.WriteAt(kHdrChangeCounter, f.head32.data() + kHdrChangeCounter, 4);
          });
        } catch (...) {
          UndoFailedWrite(undo);
          RecoverFromFailedWrite();
          throw;
        }
        f.ForgetWindow();
        if (f.liveCount) *f.liveCount -= 1;
      }
    } catch (...) {
      UnlockWrite();
      throw;
    }
    UnlockWrite();
  } catch (...) {
    if (!f.exclusive) f.dbf.Unlock(kLockBase - recno, 1);
    throw;
  }
  if (!f.exclusive) f.dbf.Unlock(kLockBase - recno, 1);
  state_ = TableState::Browse;
  memoEdits_.clear();
  // On to the next record, or the one before when the last went.
  const std::string key = curKey_;
  if (currentTag_ >= 0) {
    auto e = f.tags[currentTag_]->SeekGT(key, recno);
    SkipDeletedForward(e);
    if (eof_) {
      recno_ = 0;
      Last();
      eof_ = recno_ == 0;
    }
  } else {
    recno_ = recno;
    bool found = false;
    for (std::uint32_t r = recno + 1; r <= f.header.recordCount && !found; ++r) found = LoadRecord(r);
    if (!found) {
      recno_ = 0;
      Last();
      eof_ = recno_ == 0;
    } else {
      eof_ = bof_ = false;
    }
  }
}

void Table::FlushBuffers() {
  RequireActive();
  TableFiles& f = *files_;
  // Posts outside a batch synced everything already.
  if (!f.writable || !f.unsynced) return;
  f.unsynced = false;
  if (f.memo.IsOpen()) f.memo.Sync();
  f.dbf.Sync();
  if (f.mdx) f.mdx->Commit(f.counter, f.header.recordCount);
}

void Table::BeginBatch() {
  RequireActive();
  if (!files_->exclusive) throw DbError("Para cargar registros en bloque la tabla " + tableName_ + " debe estar abierta en exclusiva.");
  bulk_ = true;
}

void Table::EndBatch() {
  RequireActive();
  bulk_ = false;
  files_->unsynced = true;
  FlushBuffers();
}

}  // namespace data
