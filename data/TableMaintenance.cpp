// Whole-table work: creating, deleting, emptying, adding index tags, copying
// all records from another table.
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

// ---------------------------------------------------------------- whole table

void Table::Create(const std::vector<FieldDef>& defs, const std::vector<IndexDef>& indexes) {
  if (Active()) throw DbError("No se puede crear la tabla " + tableName_ + " mientras está abierta.");
  if (defs.empty()) throw DbError("Una tabla necesita al menos un campo.");
  std::vector<DbfField> fields;
  int recordLength = 1;
  for (const auto& d : defs) {
    DbfField f;
    f.name = Upper(d.name);
    if (!ValidName(f.name)) throw DbError("El nombre de campo \"" + d.name + "\" no es válido.");
    for (const auto& g : fields)
      if (g.name == f.name) throw DbError("El campo " + f.name + " está repetido.");
    switch (d.kind) {
      case FieldKind::Integer: f.type = 'N'; f.length = 11; break;
      case FieldKind::Float: f.type = 'N'; f.length = 20; f.decimals = 4; break;
      case FieldKind::Date: f.type = 'D'; f.length = 8; break;
      case FieldKind::Memo: f.type = 'M'; f.length = 10; break;
      case FieldKind::String:
        if (d.length < 1 || d.length > 254)
          throw DbError("La longitud del campo " + f.name + " debe estar entre 1 y 254.");
        f.type = 'C';
        f.length = d.length;
        break;
    }
    f.offset = recordLength;
    recordLength += f.length;
    fields.push_back(f);
  }
  std::vector<IndexInfo> infos;
  for (const auto& ix : indexes) {
    IndexInfo info;
    info.name = Upper(ix.name);
    info.expression = UpperNames(ix.field);
    info.unique = ix.unique;
    if (!ValidName(info.name)) throw DbError("El nombre de índice \"" + ix.name + "\" no es válido.");
    auto it = std::find_if(fields.begin(), fields.end(), [&](const DbfField& f) { return f.name == info.expression; });
    if (it == fields.end() && IsBareName(info.expression))
      throw DbError("El índice " + info.name + " usa el campo inexistente " + ix.field + ".");
    if (it == fields.end()) ShapeFromExpression(info, fields, DbfLevel::dBase4, 1252);
    else if (it->type == 'N') info.keyType = KeyType::Numeric, info.keyLength = kNumericKeyLength;
    else if (it->type == 'D') info.keyType = KeyType::Date, info.keyLength = kDateKeyLength;
    else if (it->type == 'C') info.keyType = KeyType::Character, info.keyLength = std::min(it->length, 240);
    else throw DbError("No se puede indexar el campo " + it->name + ".");
    for (const auto& o : infos)
      if (o.name == info.name) throw DbError("El índice " + info.name + " está repetido.");
    if (it != fields.end()) it->indexFlag = true;
    infos.push_back(info);
  }
  FamilyPaths paths = FindFamily(folder_, tableName_);
  if (paths.dbfFound) RemoveFile(paths.dbf);
  if (paths.memoFound) RemoveFile(paths.memo);
  if (paths.mdxFound) RemoveFile(paths.mdx);
  paths = FindFamily(folder_, tableName_);
  const std::string base = TableStem(tableName_);
  const bool memo = std::any_of(fields.begin(), fields.end(), [](const DbfField& f) { return f.type == 'M'; });
  try {
    if (memo) MemoFile::CreateDbase4(paths.memo, base);
    if (!infos.empty()) MdxFile::Create(paths.mdx, base, infos, 0);
    std::string header = BuildDbfHeader(fields, !infos.empty());
    header += '\x1A';
    File dbf;
    dbf.Create(paths.dbf);
    dbf.WriteAt(0, header.data(), header.size());
    dbf.Sync();
  } catch (...) {
    // Nothing half-made stays behind.
    try {
      RemoveFile(paths.dbf);
      RemoveFile(paths.memo);
      RemoveFile(paths.mdx);
    } catch (...) {
    }
    throw;
  }
}

void Table::DeleteTable() {
  if (Active()) throw DbError("No se puede borrar la tabla " + tableName_ + " mientras está abierta.");
  FamilyPaths paths = FindFamily(folder_, tableName_);
  if (!paths.dbfFound) throw DbError("La tabla " + paths.dbf + " no existe.");
  {
    // Not while another copy has it open.
    File probe;
    probe.Open(paths.dbf, true);
    if (!probe.TryLock(0, 0, true)) throw DbError("La tabla " + paths.dbf + " está en uso por otro usuario o programa.");
  }
  if (paths.memoFound) RemoveFile(paths.memo);
  if (paths.mdxFound) RemoveFile(paths.mdx);
  RemoveFile(paths.dbf);
  if (paths.foxMemoFound) RemoveFile(paths.foxMemo);
}

void Table::EmptyTable() {
  const bool wasOpen = Active();
  if (wasOpen && !IsExclusive())
    throw DbError("Para vaciar la tabla " + tableName_ + " hay que abrirla en exclusiva.");
  if (!wasOpen) Open(OpenMode::Exclusive);
  try {
    RequireBrowse("vaciar la tabla");
    TableFiles& f = *files_;
    f.counter += 1;
    f.header.recordCount = 0;
    WriteU32(&f.head32[kHdrRecordCount], 0);
    WriteU32(&f.head32[kHdrChangeCounter], f.counter);
    f.dbf.WriteAt(1, f.head32.data() + 1, kHdrChangeCounter + 4 - 1);
    f.dbf.Truncate(f.header.headerLength);
    f.dbf.WriteAt(f.header.headerLength, "\x1A", 1);
    f.dbf.Sync();
    f.ForgetWindow();
    f.liveCount = 0;
    if (f.memo.IsOpen()) {
      f.memo.Truncate();
      f.memo.Sync();
    }
    if (f.mdx) {
      std::vector<IndexInfo> defs;
      for (auto* t : f.tags) defs.push_back(t->Info());
      f.mdx.reset();
      MdxFile::Create(f.paths.mdx, TableStem(tableName_), defs, f.counter, f.header.recordCount);
      f.mdx = std::make_unique<MdxFile>();
      f.mdx->Open(f.paths.mdx, true);
      for (int i = 0; i < f.mdx->TagCount(); ++i) f.tags[i] = &f.mdx->Tag(i);
    } else {
      for (auto* t : f.tags) t->Load({});
    }
    ResetPosition();
  } catch (...) {
    if (!wasOpen) Close();
    throw;
  }
  if (!wasOpen) Close();
}

void Table::AddIndex(const IndexDef& ix) {
  RequireBrowse("crear un índice");
  TableFiles& f = *files_;
  if (!f.exclusive) throw DbError("Para crear un índice la tabla " + tableName_ + " debe estar abierta en exclusiva.");
  // dBase IV itself writes level 0x03 for a table without memo fields, so
  // only FoxPro tables (whose byte 28 means something else) are refused.
  if (f.header.level == DbfLevel::FoxPro)
    throw DbError("La tabla " + tableName_ + " no admite índices de producción (nivel FoxPro).");
  IndexInfo info;
  info.name = Upper(ix.name);
  info.expression = UpperNames(ix.field);
  info.unique = ix.unique;
  if (!ValidName(info.name)) throw DbError("El nombre de índice \"" + ix.name + "\" no es válido.");
  int field = f.header.FieldIndex(info.expression);
  const bool plain = field >= 0;  // a field's own tag, flagged in its descriptor
  if (!plain && IsBareName(info.expression))
    throw DbError("La tabla " + tableName_ + " no tiene el campo " + ix.field + ".");
  for (auto* t : f.tags)
    if (t->Info().name == info.name) throw DbError("La tabla " + tableName_ + " ya tiene el índice " + info.name + ".");
  if (!plain) {
    ShapeFromExpression(info, f.header.fields, f.header.level, f.header.codePage);
    field = f.KeyExpressionOf(info).FirstField();
  } else {
    const DbfField& fd = f.header.fields[field];
    if (IsNumericType(fd.type)) info.keyType = KeyType::Numeric, info.keyLength = kNumericKeyLength;
    else if (IsDateType(fd.type)) info.keyType = KeyType::Date, info.keyLength = kDateKeyLength;
    else if (fd.type == 'C') info.keyType = KeyType::Character, info.keyLength = std::min(fd.length, 240);
    else throw DbError("No se puede indexar el campo " + fd.name + ".");
  }
  if (!f.mdx) {
    std::vector<IndexInfo> defs;
    for (auto* t : f.tags) defs.push_back(t->Info());
    MdxFile::Create(f.paths.mdx, TableStem(tableName_), defs, f.counter, f.header.recordCount);
    f.mdx = std::make_unique<MdxFile>();
    f.mdx->Open(f.paths.mdx, true);
    f.memoryTags.clear();
    for (int i = 0; i < f.mdx->TagCount(); ++i) f.tags[i] = &f.mdx->Tag(i);
    RebuildIndexesFromRecords(true);
  }
  f.mdx->AddTag(info);
  f.tags.push_back(&f.mdx->Tag(f.mdx->TagCount() - 1));
  f.tagField.push_back(field);
  f.tags.back()->Load(f.EntriesFromRecords(static_cast<int>(f.tags.size()) - 1));
  // The production index flag (byte 28) and the field's index flag.
  const char one = 1;
  f.dbf.WriteAt(kHdrMdxFlag, &one, 1);
  f.header.mdxFlag = 1;
  f.head32[kHdrMdxFlag] = 1;
  if (plain && f.header.level == DbfLevel::dBase4) {
    f.dbf.WriteAt(f.header.descriptorStart + field * f.header.descriptorSize + 31, &one, 1);
    f.header.fields[field].indexFlag = true;
  }
  f.dbf.Sync();
  f.mdx->Commit(f.counter, f.header.recordCount);
  if (plain && !f.header.fields[field].indexFlag && f.header.level == DbfLevel::dBase7) {
    f.dbf.WriteAt(f.header.descriptorStart + field * f.header.descriptorSize + 37, &one, 1);
    f.dbf.Sync();
  }
}

void Table::AppendAllFrom(Table& source) {
  RequireBrowse("añadir registros");
  source.RequireBrowse("copiar registros");
  std::vector<std::pair<int, int>> pairs;  // (this field, source field)
  for (int i = 0; i < FieldCount(); ++i) {
    int s = source.ResolveField(files_->header.fields[i].name);
    if (s >= 0) pairs.push_back({i, s});
  }
  const std::string savedIndex = source.IndexName();
  source.SetIndexName("");
  bulk_ = true;
  try {
    for (source.First(); !source.Eof(); source.Next()) {
      Append();
      for (auto [d, s] : pairs) {
        Field to = FieldByNumber(d);
        Field from = source.FieldByNumber(s);
        const FieldInfo& ti = to.Info();
        const FieldInfo& si = from.Info();
        if (from.IsNull() && !si.IsMemo()) {
          to.Clear();
        } else if (ti.IsMemo() || ti.type == 'C') {
          to.SetAsString(from.AsString());
        } else if (ti.IsNumeric()) {
          to.SetAsFloat(from.AsFloat());
        } else if (ti.IsDate()) {
          if (si.IsDate()) to.SetAsDate(from.AsDate());
          else to.SetAsString(from.AsString());
        } else {
          to.SetAsString(from.AsString());
        }
      }
      Post();
    }
  } catch (...) {
    bulk_ = false;
    if (state_ != TableState::Browse) Cancel();
    source.SetIndexName(savedIndex);
    throw;
  }
  bulk_ = false;
  files_->unsynced = true;
  FlushBuffers();
  source.SetIndexName(savedIndex);
}

}  // namespace data
