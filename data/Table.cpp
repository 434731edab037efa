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
#include "data/TableSwitch.h"

namespace data {


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
// A table whose switch to new files was decided exists even in the moment
// its .DBF is renamed into place: opening it finishes the switch.
bool Table::Exists() const {
  return FindFamily(folder_, tableName_).dbfFound || SwitchPending(folder_, tableName_);
}
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

}  // namespace data
