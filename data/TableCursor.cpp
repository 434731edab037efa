// The cursor: moving over the records in file or index order and finding keys.
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

// ---------------------------------------------------------------- navigation

bool Table::LoadRecord(std::uint32_t recno) {
  TableFiles& f = *files_;
  if (recno == 0 || recno > f.header.recordCount) return false;
  const char* rec = f.Record(recno);
  if (rec[0] == '*') return false;
  record_.assign(rec, f.header.recordLength);
  recno_ = recno;
  return true;
}

void Table::SetCurrentKeyFromRecord() {
  curKey_ = currentTag_ >= 0 && recno_ ? files_->KeyOf(currentTag_, record_.data()) : std::string();
}

void Table::SetEof() {
  eof_ = true;
  if (recno_ == 0) {
    bof_ = true;
    record_.assign(files_->header.recordLength, ' ');
  }
}

void Table::ResetPosition() {
  recno_ = 0;
  eof_ = bof_ = true;
  record_.assign(files_->header.recordLength, ' ');
  memoEdits_.clear();
}

// Positions on `e` or the first entry after it whose record is visible.
void Table::SkipDeletedForward(std::optional<IndexEntry> e) {
  IndexTag* tag = files_->tags[currentTag_];
  while (e) {
    if (LoadRecord(e->recno)) {
      curKey_ = e->key;
      eof_ = bof_ = false;
      return;
    }
    e = tag->SeekGT(e->key, e->recno);
  }
  SetEof();
}

void Table::First() {
  RequireBrowse("ir al primer registro");
  CheckForeignChanges();
  memoEdits_.clear();
  if (currentTag_ >= 0) {
    recno_ = 0;
    SkipDeletedForward(files_->tags[currentTag_]->First());
    bof_ = true;
    return;
  }
  for (std::uint32_t r = 1; r <= files_->header.recordCount; ++r) {
    if (LoadRecord(r)) {
      eof_ = false;
      bof_ = true;
      return;
    }
  }
  ResetPosition();
}

void Table::Last() {
  RequireBrowse("ir al último registro");
  CheckForeignChanges();
  memoEdits_.clear();
  if (currentTag_ >= 0) {
    IndexTag* tag = files_->tags[currentTag_];
    for (auto e = tag->Last(); e; e = tag->SeekLT(e->key, e->recno)) {
      if (LoadRecord(e->recno)) {
        curKey_ = e->key;
        eof_ = true;
        bof_ = false;
        return;
      }
    }
    ResetPosition();
    return;
  }
  for (std::uint32_t r = files_->header.recordCount; r >= 1; --r) {
    if (LoadRecord(r)) {
      eof_ = true;
      bof_ = false;
      return;
    }
  }
  ResetPosition();
}

void Table::Next() {
  RequireBrowse("avanzar");
  if (recno_ == 0) {
    SetEof();
    return;
  }
  bof_ = false;
  if (currentTag_ >= 0) {
    IndexTag* tag = files_->tags[currentTag_];
    for (auto e = tag->SeekGT(curKey_, recno_); e; e = tag->SeekGT(e->key, e->recno)) {
      if (LoadRecord(e->recno)) {
        curKey_ = e->key;
        return;
      }
    }
    eof_ = true;
    return;
  }
  for (std::uint32_t r = recno_ + 1; r <= files_->header.recordCount; ++r)
    if (LoadRecord(r)) return;
  eof_ = true;
}

void Table::Prior() {
  RequireBrowse("retroceder");
  if (recno_ == 0) {
    bof_ = true;
    return;
  }
  eof_ = false;
  if (currentTag_ >= 0) {
    IndexTag* tag = files_->tags[currentTag_];
    for (auto e = tag->SeekLT(curKey_, recno_); e; e = tag->SeekLT(e->key, e->recno)) {
      if (LoadRecord(e->recno)) {
        curKey_ = e->key;
        return;
      }
    }
    bof_ = true;
    return;
  }
  for (std::uint32_t r = recno_ - 1; r >= 1; --r)
    if (LoadRecord(r)) return;
  bof_ = true;
}

bool Table::IsEmpty() {
  RequireActive();
  if (state_ == TableState::Insert) return false;
  return RecordCount() == 0;
}

std::uint32_t Table::RecordCount() {
  RequireActive();
  CheckForeignChanges();
  TableFiles& f = *files_;
  if (!f.liveCount) {
    std::uint32_t n = 0;
    for (std::uint32_t r = 1; r <= f.header.recordCount; ++r)
      if (f.Record(r)[0] != '*') ++n;
    f.liveCount = n;
  }
  return *f.liveCount;
}

std::uint32_t Table::RecordSlots() const {
  RequireActive();
  return files_->header.recordCount;
}

void Table::SetIndexName(const std::string& tag) {
  if (!files_) {
    indexName_ = tag;
    return;
  }
  RequireBrowse("cambiar de índice");
  if (tag.empty()) {
    indexName_.clear();
    currentTag_ = -1;
    curKey_.clear();
    return;
  }
  const std::string wanted = Upper(tag);
  for (size_t i = 0; i < files_->tags.size(); ++i) {
    if (files_->tags[i]->Info().name == wanted) {
      currentTag_ = static_cast<int>(i);
      indexName_ = files_->tags[i]->Info().name;
      SetCurrentKeyFromRecord();
      return;
    }
  }
  throw DbError("La tabla " + tableName_ + " no tiene el índice " + tag + ".");
}

std::string Table::KeyFromValue(int tag, const KeyValue& v) const {
  const IndexInfo& info = files_->tags[tag]->Info();
  switch (info.keyType) {
    case KeyType::Numeric: {
      if (!v.IsText()) return NumericKey(v.Number());
      auto n = ParseNumberText(v.Text());
      if (!n) throw DbError("\"" + v.Text() + "\" no es un valor válido para el índice " + info.name + ".");
      return NumericKey(*n);
    }
    case KeyType::Date:
      if (!v.IsText()) return DateKey(std::floor(v.Number()));
      return DateKey(ParseDateText(v.Text(), info.name));
    default: {
      if (files_->TagKey(tag).DateField() >= 0) {
        // DTOS() of a date: looked up by a date as the date's own tag is.
        if (!v.IsText()) return CharacterKey(KeyExpression::Dtos(std::floor(v.Number())), info.keyLength);
        if (v.Text().find_first_of("-/") != std::string::npos)
          return CharacterKey(KeyExpression::Dtos(ParseDateText(v.Text(), info.name)), info.keyLength);
      }
      std::string text = v.IsText() ? v.Text() : PlainNumber(v.Number());
      return CharacterKey(FromUtf8(text, files_->header.codePage), info.keyLength);
    }
  }
}

bool Table::FindKey(const KeyValue& value) {
  RequireBrowse("buscar");
  if (currentTag_ < 0) throw DbError("La tabla " + tableName_ + " no tiene un índice activo para buscar.");
  CheckForeignChanges();
  const std::string key = KeyFromValue(currentTag_, value);
  IndexTag* tag = files_->tags[currentTag_];
  const IndexInfo& info = tag->Info();
  for (auto e = tag->SeekGE(key, 0); e; e = tag->SeekGT(e->key, e->recno)) {
    if (CompareKeys(info.keyType, e->key.data(), key.data(), info.keyLength) != 0) return false;
    const std::string saved = record_;
    const std::uint32_t savedRecno = recno_;
    if (LoadRecord(e->recno)) {
      curKey_ = e->key;
      eof_ = bof_ = false;
      memoEdits_.clear();
      return true;
    }
    record_ = saved;
    recno_ = savedRecno;
  }
  return false;
}

void Table::FindNearest(const KeyValue& value) {
  RequireBrowse("buscar");
  if (currentTag_ < 0) throw DbError("La tabla " + tableName_ + " no tiene un índice activo para buscar.");
  CheckForeignChanges();
  memoEdits_.clear();
  const std::string key = KeyFromValue(currentTag_, value);
  IndexTag* tag = files_->tags[currentTag_];
  auto e = tag->SeekGE(key, 0);
  if (!e) {
    // Nothing at or after the value: at the end, on the last record.
    Last();
    eof_ = true;
    return;
  }
  SkipDeletedForward(e);
  if (!eof_) bof_ = false;
}

int Table::CompareCurrentKey(const KeyValue& value) {
  RequireActive();
  if (currentTag_ < 0) throw DbError("La tabla " + tableName_ + " no tiene un índice activo.");
  const std::string key = KeyFromValue(currentTag_, value);
  const IndexInfo& info = files_->tags[currentTag_]->Info();
  return CompareKeys(info.keyType, curKey_.data(), key.data(), info.keyLength);
}

bool Table::GotoBookmark(const Bookmark& b) {
  RequireBrowse("volver a un registro");
  CheckForeignChanges();
  return GotoRecNo(b.recno);
}

bool Table::GotoRecNo(std::uint32_t recno) {
  RequireActive();
  const std::string saved = record_;
  const std::uint32_t savedRecno = recno_;
  if (!LoadRecord(recno)) {
    record_ = saved;
    recno_ = savedRecno;
    return false;
  }
  memoEdits_.clear();
  eof_ = bof_ = false;
  SetCurrentKeyFromRecord();
  return true;
}

}  // namespace data
