#include "data/Table.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "data/CodePage.h"
#include "data/FieldCodec.h"
#include "data/KeyExpression.h"
#include "data/NameCase.h"
#include "data/TableFiles.h"

namespace data {
namespace {

std::string BaseName(const std::string& tableName) {
  std::string base = tableName;
  if (base.size() >= 4 && Upper(base.substr(base.size() - 4)) == ".DBF") base.resize(base.size() - 4);
  auto slash = base.find_last_of('/');
  return slash == std::string::npos ? base : base.substr(slash + 1);
}

std::string PlainNumber(double v) {
  if (v == std::floor(v) && std::fabs(v) < 1e15) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", v);
    return std::strcmp(buf, "-0") == 0 ? "0" : buf;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.10f", v);
  std::string s = buf;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s;
}

std::optional<TDateTime> ParseDateText(const std::string& text, const std::string& field) {
  std::string t = text;
  while (!t.empty() && t.back() == ' ') t.pop_back();
  if (t.empty()) return std::nullopt;
  int y = 0, m = 0, d = 0;
  char c1 = 0, c2 = 0;
  TDate out;
  if (std::sscanf(t.c_str(), "%d%c%d%c%d", &y, &c1, &m, &c2, &d) == 5 && c1 == '-' && c2 == '-' &&
      dt::TryEncodeDate(y, m, d, out))
    return out;
  if (std::sscanf(t.c_str(), "%d%c%d%c%d", &d, &c1, &m, &c2, &y) == 5 && c1 == '/' && c2 == '/' &&
      dt::TryEncodeDate(y, m, d, out))
    return out;
  throw DbError("\"" + text + "\" no es una fecha válida para el campo " + field + ".");
}

std::optional<double> ParseNumberText(const std::string& text) {
  std::string t;
  for (char c : text)
    if (c != ' ') t += c == ',' ? '.' : c;
  if (t.empty()) return std::nullopt;
  char* end = nullptr;
  double v = std::strtod(t.c_str(), &end);
  if (*end != 0 || !std::isfinite(v)) return std::nullopt;
  return v;
}

FieldInfo InfoOf(const DbfField& f) { return FieldInfo{f.name, f.type, f.length, f.decimals}; }

// The index file speaks for the table as stored: its mirror matches the
// header, its last commit's pages arrived, and so did the record that
// commit wrote.
bool IndexVouches(TableFiles& f, const MdxFile& mdx, std::uint32_t counter, std::uint32_t records) {
  if (!mdx.InStep(counter, records)) return false;
  const std::uint32_t recno = mdx.VouchedRecord();
  if (recno == 0) return true;
  if (recno > records) return false;
  std::string bytes(f.header.recordLength, '\0');
  if (f.dbf.ReadAt(f.RecordOffset(recno), bytes.data(), bytes.size()) != bytes.size()) return false;
  return BytesChecksum(bytes.data(), bytes.size()) == mdx.VouchedRecordSum();
}

// A tag on an expression (not a field of the table): its key type and
// length are the expression's.
void ShapeFromExpression(IndexInfo& info, const std::vector<DbfField>& fields, DbfLevel level, int codePage) {
  try {
    const KeyExpression e = KeyExpression::Compile(info.expression, fields, level, codePage);
    info.keyType = e.Type();
    info.keyLength = e.Length();
  } catch (const DbError& e) {
    throw DbError("El índice " + info.name + " usa la expresión " + info.expression + ", que no se puede calcular: " +
                  e.what() + ".");
  }
}

bool IsBareName(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

std::string ReadOnlyText(const TableFiles& f) {
  return "La tabla " + f.paths.dbf + " es de solo lectura." + (f.readOnlyReason.empty() ? "" : " " + f.readOnlyReason);
}

bool ValidName(const std::string& n) {
  if (n.empty() || n.size() > 10 || std::isdigit(static_cast<unsigned char>(n[0]))) return false;
  return std::all_of(n.begin(), n.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

}  // namespace

// ---------------------------------------------------------------- Field

const std::string& Field::FieldName() const { return Info().name; }
const FieldInfo& Field::Info() const { return table_->files_->fieldInfos[index_]; }

bool Field::IsNull() const {
  const auto& f = table_->files_->header.fields[index_];
  if (f.type == 'M') {
    std::string text;
    table_->AppendMemoText(index_, text);
    return text.empty();
  }
  const char* p = table_->record_.data() + f.offset;
  if (f.type == 'I' || f.type == '+' || f.type == 'O' || f.type == '@')
    return std::all_of(p, p + f.length, [](char c) { return c == 0; });
  return std::all_of(p, p + f.length, [](char c) { return c == ' ' || c == 0; });
}

double Field::AsFloat() const {
  table_->RequireActive();
  const auto& f = table_->files_->header.fields[index_];
  if (IsNumericType(f.type)) return ReadNumber(f, table_->record_.data(), table_->files_->header.level);
  if (IsDateType(f.type)) return AsDate();
  if (f.type == 'C') return ParseNumberText(AsString()).value_or(0.0);
  return 0;
}

std::int64_t Field::AsInteger() const { return static_cast<std::int64_t>(std::llround(AsFloat())); }

TDateTime Field::AsDate() const {
  table_->RequireActive();
  const auto& f = table_->files_->header.fields[index_];
  if (!IsDateType(f.type)) throw DbError("El campo " + f.name + " no es de fecha.");
  return ReadDate(f, table_->record_.data()).value_or(0.0);
}

std::optional<bool> Field::AsBoolean() const {
  table_->RequireActive();
  const auto& f = table_->files_->header.fields[index_];
  if (f.type != 'L') throw DbError("El campo " + f.name + " no es lógico.");
  return ReadLogical(f, table_->record_.data());
}

std::string Field::AsString() const {
  std::string out;
  ReadString(out);
  return out;
}

void Field::ReadString(std::string& out) const {
  table_->RequireActive();
  out.clear();
  const auto& files = *table_->files_;
  const auto& f = files.header.fields[index_];
  const char* rec = table_->record_.data();
  if (f.type == 'M') return table_->AppendMemoText(index_, out);
  if (f.type == 'C') return AppendText(f, rec, files.header.codePage, out);
  if (IsNull()) return;
  if (IsNumericType(f.type)) {
    out = PlainNumber(ReadNumber(f, rec, files.header.level));
  } else if (f.type == 'D') {
    auto d = ReadDate(f, rec);
    if (!d) return;
    int y, m, day;
    dt::DecodeDate(*d, y, m, day);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, day);
    out = buf;
  } else if (f.type == '@') {
    auto d = ReadDate(f, rec);
    if (!d) return;
    int y, mo, day, h, mi, s, ms;
    dt::DecodeDateTime(*d, y, mo, day, h, mi, s, ms);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, day, h, mi, s);
    out = buf;
  } else if (f.type == 'L') {
    auto b = ReadLogical(f, rec);
    if (b) out = *b ? "T" : "F";
  } else {
    AppendText(f, rec, files.header.codePage, out);
  }
}

void Field::SetAsFloat(double v) {
  table_->RequireEditing(*this);
  auto& files = *table_->files_;
  const auto& f = files.header.fields[index_];
  if (IsNumericType(f.type)) WriteNumber(f, table_->record_.data(), files.header.level, v);
  else if (f.type == 'C') WriteText(f, table_->record_.data(), files.header.codePage, PlainNumber(v));
  else if (IsDateType(f.type)) WriteDate(f, table_->record_.data(), v);
  else throw DbError("El campo " + f.name + " no admite números.");
  table_->FieldChanged(index_);
}

void Field::SetAsInteger(std::int64_t v) { SetAsFloat(static_cast<double>(v)); }

void Field::SetAsDate(TDateTime v) {
  table_->RequireEditing(*this);
  auto& files = *table_->files_;
  const auto& f = files.header.fields[index_];
  if (!IsDateType(f.type)) throw DbError("El campo " + f.name + " no es de fecha.");
  WriteDate(f, table_->record_.data(), f.type == 'D' ? std::floor(v) : v);
  table_->FieldChanged(index_);
}

void Field::SetAsBoolean(bool v) {
  table_->RequireEditing(*this);
  const auto& f = table_->files_->header.fields[index_];
  if (f.type != 'L') throw DbError("El campo " + f.name + " no es lógico.");
  WriteLogical(f, table_->record_.data(), v);
  table_->FieldChanged(index_);
}

void Field::SetAsString(const std::string& v) {
  table_->RequireEditing(*this);
  auto& files = *table_->files_;
  const auto& f = files.header.fields[index_];
  char* rec = table_->record_.data();
  if (f.type == 'M') {
    table_->memoEdits_[index_] = v;
  } else if (IsNumericType(f.type)) {
    auto n = ParseNumberText(v);
    if (!n && !v.empty() && v.find_first_not_of(' ') != std::string::npos)
      throw DbError("\"" + v + "\" no es un número válido para el campo " + f.name + ".");
    if (n) WriteNumber(f, rec, files.header.level, *n);
    else ClearField(f, rec);
  } else if (IsDateType(f.type)) {
    WriteDate(f, rec, ParseDateText(v, f.name));
  } else if (f.type == 'L') {
    std::string u = Upper(v);
    WriteLogical(f, rec, u.empty() ? std::optional<bool>() : std::optional<bool>(u[0] == 'T' || u[0] == 'S' || u[0] == 'Y'));
  } else {
    WriteText(f, rec, files.header.codePage, v);
  }
  table_->FieldChanged(index_);
}

void Field::Clear() {
  table_->RequireEditing(*this);
  const auto& f = table_->files_->header.fields[index_];
  if (f.type == 'M') table_->memoEdits_[index_] = std::string();
  else ClearField(f, table_->record_.data());
  table_->FieldChanged(index_);
}

// ---------------------------------------------------------------- Table

Table::Table() = default;
Table::Table(std::string folder, std::string tableName) : folder_(std::move(folder)), tableName_(std::move(tableName)) {}
Table::~Table() {
  try {
    Close();
  } catch (...) {
  }
}

void Table::SetFolder(const std::string& folder) {
  if (Active()) throw DbError("No se puede cambiar la carpeta de una tabla abierta.");
  folder_ = folder;
}

void Table::SetTableName(const std::string& name) {
  if (Active()) throw DbError("No se puede cambiar el nombre de una tabla abierta.");
  tableName_ = name;
}

std::string Table::FilePath() const { return FindFamily(folder_, tableName_).dbf; }
bool Table::Exists() const { return FindFamily(folder_, tableName_).dbfFound; }
bool Table::IsExclusive() const { return files_ && files_->exclusive; }

void Table::RequireActive() const {
  if (!files_) throw DbError("La tabla " + tableName_ + " no está abierta.");
}

void Table::RequireBrowse(const char* what) const {
  RequireActive();
  if (state_ != TableState::Browse)
    throw DbError(std::string("No se puede ") + what + " mientras se edita un registro de " + tableName_ + ".");
}

void Table::RequireEditing(const Field& f) const {
  RequireActive();
  if (state_ != TableState::Edit && state_ != TableState::Insert)
    throw DbError("La tabla " + tableName_ + " no está en edición: no se puede asignar el campo " + f.FieldName() + ".");
}

const std::vector<FieldInfo>& Table::Fields() const {
  RequireActive();
  return files_->fieldInfos;
}

int Table::ResolveField(const std::string& name) const {
  RequireActive();
  return files_->header.FieldIndex(Upper(name));
}

bool Table::HasField(const std::string& name) const { return ResolveField(name) >= 0; }

Field Table::FieldByName(const std::string& name) {
  int i = ResolveField(name);
  if (i < 0) throw DbError("La tabla " + tableName_ + " no tiene el campo " + name + ".");
  return Field(this, i);
}

Field Table::FieldByNumber(int index) {
  RequireActive();
  if (index < 0 || index >= FieldCount()) throw DbError("Número de campo fuera de rango.");
  return Field(this, index);
}

std::vector<TagInfo> Table::Tags() const {
  RequireActive();
  std::vector<TagInfo> out;
  for (size_t i = 0; i < files_->tags.size(); ++i) {
    const auto& info = files_->tags[i]->Info();
    // Only a tag ordered as its field is can serve that field's lookups.
    const KeyExpression& key = files_->TagKey(static_cast<int>(i));
    const int field = key.PlainField() >= 0 ? key.PlainField() : key.DateField();
    out.push_back({info.name, field >= 0 ? files_->header.fields[field].name : "", info.unique, info.expression});
  }
  return out;
}

int Table::CodePage() const {
  RequireActive();
  return files_->header.codePage;
}

int Table::LevelByte() const {
  RequireActive();
  return files_->header.version;
}

const std::string& Table::ReadOnlyReason() const {
  RequireActive();
  return files_->readOnlyReason;
}

void Table::SetFieldChangeHook(const std::string& field, FieldHook hook) { fieldHooks_[Upper(field)] = std::move(hook); }

void Table::FieldChanged(int index) {
  auto it = fieldHooks_.find(files_->header.fields[index].name);
  if (it != fieldHooks_.end() && it->second) {
    Field f(this, index);
    it->second(f);
  }
}

void Table::AppendMemoText(int index, std::string& out) const {
  auto it = memoEdits_.find(index);
  if (it != memoEdits_.end()) {
    out += it->second;
    return;
  }
  const auto& f = files_->header.fields[index];
  std::uint32_t block = ReadMemoBlock(f, record_.data());
  if (block == 0 || !files_->memo.IsOpen()) return;
  files_->memo.Read(block, memoBytes_);
  AppendUtf8(memoBytes_, files_->header.codePage, out);
}

// ---------------------------------------------------------------- opening

void Table::Open(OpenMode mode) {
  if (Active()) return;
  OpenFiles(mode);
  try {
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
  const bool locked = f.exclusive || f.dbf.Lock(kLockBase, 1, false, kLockWaitMs);
  try {
    if (f.paths.mdxFound) {
      auto mdx = std::make_unique<MdxFile>();
      mdx->Open(f.paths.mdx, f.writable);
      for (int i = 0; i < mdx->TagCount(); ++i) {
        IndexInfo info = mdx->Tag(i).Info();
        int field;
        try {
          field = f.KeyExpressionOf(info).FirstField();
        } catch (const DbError& e) {
          // A tag this engine cannot keep up to date: the table is only
          // read, so that the other program's index stays as it is.
          if (f.readOnlyReason.empty())
            f.readOnlyReason = "La etiqueta " + info.name + " de " + f.paths.mdx + " tiene la expresión " +
                               info.expression + ", que este programa no sabe calcular (" + e.what() +
                               "); la tabla se abre solo para lectura para no estropear ese índice.";
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
      const bool allTags = static_cast<int>(defs.size()) == mdx->TagCount() || !f.readOnlyReason.empty();
      usable = IndexVouches(f, *mdx, f.counter, f.header.recordCount) && allTags;
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
    f.indexProblem = e.what();
  }
  if (locked && !f.exclusive) f.dbf.Unlock(kLockBase, 1);
  if (!f.readOnlyReason.empty() && f.exclusive)
    throw DbError("No se puede abrir en exclusiva la tabla " + f.paths.dbf + ". " + f.readOnlyReason);
  if (usable) return;
  f.tags.clear();
  f.tagField.clear();
  if (defs.empty() && f.readOnlyReason.empty()) {
    // Without a readable index file the field flags tell which fields had tags.
    for (size_t i = 0; i < f.header.fields.size(); ++i) {
      const auto& fd = f.header.fields[i];
      if (!fd.indexFlag) continue;
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
      f.mdx.reset();
      MdxFile::Create(f.paths.mdx, BaseName(tableName_), defs, f.counter, f.header.recordCount);
      f.mdx = std::make_unique<MdxFile>();
      f.mdx->Open(f.paths.mdx, true);
      for (int i = 0; i < f.mdx->TagCount(); ++i) f.tags[i] = &f.mdx->Tag(i);
      RebuildIndexesFromRecords(true);
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
    f.mdx.reset();
    MdxFile::Create(f.paths.mdx, BaseName(tableName_), defs, f.counter, f.header.recordCount);
    f.mdx = std::make_unique<MdxFile>();
    f.mdx->Open(f.paths.mdx, true);
    for (int i = 0; i < f.mdx->TagCount(); ++i) f.tags[i] = &f.mdx->Tag(i);
    RebuildIndexesFromRecords(true);
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

void Table::LockForWrite() {
  TableFiles& f = *files_;
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
    if (f.TagKey(static_cast<int>(t)).PlainField() != field || !info.unique || info.keyType != KeyType::Numeric) continue;
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
      RecoverFromFailedWrite();
      throw;
    }
    f.ForgetWindow();
    if (f.liveCount && insert) *f.liveCount += 1;
    recno_ = recno;
  } catch (...) {
    // A number handed out by a post that did not happen is not kept: by
    // the next try another copy may have taken it.
    for (int i : autoFilled) ClearField(f.header.fields[i], record_.data());
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
    info.expression = Upper(ix.field);
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
  const std::string base = BaseName(tableName_);
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
      MdxFile::Create(f.paths.mdx, BaseName(tableName_), defs, f.counter, f.header.recordCount);
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
  info.expression = Upper(ix.field);
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
    MdxFile::Create(f.paths.mdx, BaseName(tableName_), defs, f.counter, f.header.recordCount);
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
