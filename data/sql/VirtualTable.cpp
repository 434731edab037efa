#include "data/sql/VirtualTable.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <system_error>

#include "data/DbError.h"
#include "data/Table.h"

namespace data::sql {
namespace {

constexpr const char* kModuleName = "quillar_dbf";

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string QuoteIdentifier(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + '"';
}

std::string QuoteLiteral(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + '\'';
}

std::string UnquoteLiteral(const std::string& arg) {
  if (arg.size() < 2 || arg.front() != '\'' || arg.back() != '\'') return arg;
  std::string out;
  for (std::size_t i = 1; i + 1 < arg.size(); ++i) {
    out += arg[i];
    if (arg[i] == '\'' && arg[i + 1] == '\'') ++i;
  }
  return out;
}

struct ModuleContext {
  std::string folder;
  VisitCounts* counts;
};

// How a column is read and whether its tag can serve a scan.
enum class ColumnKind { Integer, Real, Date, Text, Logical };

struct Column {
  std::string name;
  ColumnKind kind = ColumnKind::Text;
  std::string tag;      // a tag on exactly this field, "" when none
  bool uniqueTag = false;
};

struct DbfVTab {
  sqlite3_vtab base{};  // first: SQLite sees a sqlite3_vtab*
  ModuleContext* context = nullptr;
  std::string tableName;
  std::vector<Column> columns;
  double rows = 1;  // estimate for the planner
};

// The scan a cursor runs: file order, or a range of one tag.
//   idxNum = 0                      file order
//   idxNum = (column+1) << 8 | flags, with the bound values in argv in the
//   order equality, lower, upper.
enum : int {
  kEq = 1,
  kGe = 2,
  kGt = 4,
  kLe = 8,
  kLt = 16,
};

struct DbfCursor {
  sqlite3_vtab_cursor base{};
  DbfVTab* vtab = nullptr;
  std::unique_ptr<Table> table;
  // The scan stops once past the upper bound (at it, when not inclusive).
  bool hasUpper = false;
  bool upperInclusive = true;
  bool upperIsText = false;
  double upperNumber = 0;
  std::string upperText;
  bool eof = true;
  bool single = false;  // equality on a unique tag: one row at most
  std::uint64_t* tableVisits = nullptr;
  // Text of the current record by column, read once: a WHERE clause may name
  // a memo several times (NOTAS LIKE ... OR NOTAS LIKE ...).
  std::vector<std::string> text;
  std::vector<bool> textRead;
};

ColumnKind KindOf(const FieldInfo& f) {
  if (f.IsDate()) return ColumnKind::Date;
  if (f.IsLogical()) return ColumnKind::Logical;
  if (f.IsNumeric()) {
    const bool whole = f.decimals == 0 && (f.type == 'N' || f.type == 'I' || f.type == '+');
    return whole ? ColumnKind::Integer : ColumnKind::Real;
  }
  return ColumnKind::Text;
}

const char* DeclaredType(ColumnKind k) {
  switch (k) {
    case ColumnKind::Integer: return "INTEGER";
    case ColumnKind::Real: return "REAL";
    case ColumnKind::Date: return "DATE";
    case ColumnKind::Logical: return "BOOLEAN";
    case ColumnKind::Text: break;
  }
  return "TEXT";
}

void SetError(sqlite3_vtab* vt, const std::string& message) {
  sqlite3_free(vt->zErrMsg);
  vt->zErrMsg = sqlite3_mprintf("%s", message.c_str());
}

// Size of the records part of the file divided by the record width: enough
// for the planner, and it does not read the table.
double EstimateRows(const Table& t) {
  std::size_t width = 1;
  for (const FieldInfo& f : t.Fields()) width += static_cast<std::size_t>(std::max(f.length, 0));
  std::error_code ec;
  const auto size = std::filesystem::file_size(t.FilePath(), ec);
  if (ec) return 1000;
  return std::max(1.0, static_cast<double>(size) / static_cast<double>(width));
}

int Connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out, char** err) {
  auto* context = static_cast<ModuleContext*>(aux);
  if (argc < 4) {
    *err = sqlite3_mprintf("%s: falta el nombre de la tabla", kModuleName);
    return SQLITE_ERROR;
  }
  auto vt = std::make_unique<DbfVTab>();
  vt->context = context;
  vt->tableName = UnquoteLiteral(argv[3]);
  try {
    Table t(context->folder, vt->tableName);
    t.Open();
    vt->rows = EstimateRows(t);
    for (const FieldInfo& f : t.Fields()) vt->columns.push_back({f.name, KindOf(f), "", false});
    for (const TagInfo& tag : t.Tags()) {
      for (Column& c : vt->columns) {
        if (c.tag.empty() && Upper(c.name) == Upper(tag.field)) {
          c.tag = tag.name;
          c.uniqueTag = tag.unique;
        }
      }
    }
    t.Close();
  } catch (const std::exception& e) {
    *err = sqlite3_mprintf("%s", e.what());
    return SQLITE_ERROR;
  }
  std::string schema = "CREATE TABLE x(";
  for (std::size_t i = 0; i < vt->columns.size(); ++i) {
    if (i) schema += ", ";
    schema += QuoteIdentifier(vt->columns[i].name) + " " + DeclaredType(vt->columns[i].kind);
  }
  schema += ")";
  const int rc = sqlite3_declare_vtab(db, schema.c_str());
  if (rc != SQLITE_OK) {
    *err = sqlite3_mprintf("%s", sqlite3_errmsg(db));
    return rc;
  }
  *out = &vt.release()->base;
  return SQLITE_OK;
}

int Disconnect(sqlite3_vtab* vt) {
  delete reinterpret_cast<DbfVTab*>(vt);
  return SQLITE_OK;
}

// A tag can answer ranges on numbers and dates. On text only equality is
// used: the index orders the code page's bytes, which for accented letters is
// not SQLite's order of the UTF-8 text.
bool TagServes(const Column& c, unsigned char op) {
  if (c.tag.empty()) return false;
  if (c.kind == ColumnKind::Logical) return false;
  if (c.kind == ColumnKind::Text) return op == SQLITE_INDEX_CONSTRAINT_EQ;
  return op == SQLITE_INDEX_CONSTRAINT_EQ || op == SQLITE_INDEX_CONSTRAINT_GE ||
         op == SQLITE_INDEX_CONSTRAINT_GT || op == SQLITE_INDEX_CONSTRAINT_LE ||
         op == SQLITE_INDEX_CONSTRAINT_LT;
}

int BestIndex(sqlite3_vtab* tab, sqlite3_index_info* info) {
  auto* vt = reinterpret_cast<DbfVTab*>(tab);
  const double n = vt->rows;
  double bestRows = n;
  int bestColumn = -1;
  int bestEq = -1, bestLower = -1, bestUpper = -1;

  for (int col = 0; col < static_cast<int>(vt->columns.size()); ++col) {
    int eq = -1, lower = -1, upper = -1;
    for (int i = 0; i < info->nConstraint; ++i) {
      const auto& c = info->aConstraint[i];
      if (!c.usable || c.iColumn != col || !TagServes(vt->columns[col], c.op)) continue;
      switch (c.op) {
        case SQLITE_INDEX_CONSTRAINT_EQ: if (eq < 0) eq = i; break;
        case SQLITE_INDEX_CONSTRAINT_GE:
        case SQLITE_INDEX_CONSTRAINT_GT: if (lower < 0) lower = i; break;
        case SQLITE_INDEX_CONSTRAINT_LE:
        case SQLITE_INDEX_CONSTRAINT_LT: if (upper < 0) upper = i; break;
        default: break;
      }
    }
    double rows = n;
    if (eq >= 0) {
      rows = vt->columns[col].uniqueTag ? 1 : std::max(1.0, n / 100);
      lower = upper = -1;
    } else if (lower >= 0 && upper >= 0) {
      rows = std::max(1.0, n / 50);
    } else if (lower >= 0 || upper >= 0) {
      rows = std::max(1.0, n / 4);
    } else {
      continue;
    }
    if (rows < bestRows) {
      bestRows = rows;
      bestColumn = col;
      bestEq = eq;
      bestLower = lower;
      bestUpper = upper;
    }
  }

  info->estimatedRows = static_cast<sqlite3_int64>(bestRows);
  if (bestColumn < 0) {
    info->idxNum = 0;
    info->estimatedCost = n * 2;  // every record is read
    return SQLITE_OK;
  }
  int flags = 0, argv = 0;
  if (bestEq >= 0) {
    flags |= kEq;
    info->aConstraintUsage[bestEq].argvIndex = ++argv;
    if (vt->columns[bestColumn].uniqueTag) info->idxFlags |= SQLITE_INDEX_SCAN_UNIQUE;
  }
  if (bestLower >= 0) {
    flags |= info->aConstraint[bestLower].op == SQLITE_INDEX_CONSTRAINT_GE ? kGe : kGt;
    info->aConstraintUsage[bestLower].argvIndex = ++argv;
  }
  if (bestUpper >= 0) {
    flags |= info->aConstraint[bestUpper].op == SQLITE_INDEX_CONSTRAINT_LE ? kLe : kLt;
    info->aConstraintUsage[bestUpper].argvIndex = ++argv;
  }
  info->idxNum = (bestColumn + 1) << 8 | flags;
  // A seek costs a few index pages; each record after it one read.
  info->estimatedCost = 10 + bestRows * 2;
  return SQLITE_OK;
}

int Open(sqlite3_vtab* tab, sqlite3_vtab_cursor** out) {
  auto* vt = reinterpret_cast<DbfVTab*>(tab);
  auto cur = std::make_unique<DbfCursor>();
  cur->vtab = vt;
  try {
    cur->table = std::make_unique<Table>(vt->context->folder, vt->tableName);
    cur->table->Open();
  } catch (const std::exception& e) {
    SetError(tab, e.what());
    return SQLITE_ERROR;
  }
  cur->tableVisits = &vt->context->counts->byTable[vt->tableName];
  cur->text.resize(vt->columns.size());
  cur->textRead.assign(vt->columns.size(), false);
  *out = &cur.release()->base;
  return SQLITE_OK;
}

int Close(sqlite3_vtab_cursor* c) {
  delete reinterpret_cast<DbfCursor*>(c);
  return SQLITE_OK;
}

void CountVisit(DbfCursor* cur) {
  std::fill(cur->textRead.begin(), cur->textRead.end(), false);
  if (cur->eof) return;
  ++*cur->tableVisits;
  ++cur->vtab->context->counts->total;
}

// Past the upper bound (or at it, for "<") ends the scan.
void CheckUpper(DbfCursor* cur) {
  if (cur->eof || cur->table->Eof()) {
    cur->eof = true;
    return;
  }
  if (cur->hasUpper) {
    const int cmp = cur->upperIsText ? cur->table->CompareCurrentKey(KeyValue(cur->upperText))
                                     : cur->table->CompareCurrentKey(KeyValue(cur->upperNumber));
    if (cmp > 0 || (cmp == 0 && !cur->upperInclusive)) cur->eof = true;
  }
}

// A bound as a key of the tag, or nothing when the value gives no bound the
// index can use (then the scan simply goes on and SQLite filters).
enum class BoundUse { Key, Ignore, NoRows };

BoundUse NumericBound(sqlite3_value* v, double& out) {
  switch (sqlite3_value_numeric_type(v)) {
    case SQLITE_NULL: return BoundUse::NoRows;  // nothing compares true with NULL
    case SQLITE_INTEGER: out = static_cast<double>(sqlite3_value_int64(v)); return BoundUse::Key;
    case SQLITE_FLOAT: out = sqlite3_value_double(v); return BoundUse::Key;
    default: return BoundUse::Ignore;
  }
}

// Whether [low, high] covers more than a quarter of the span between the
// first and the last key of the current tag (numbers and dates; a missing
// bound stands for that end). Leaves the position anywhere.
bool WideRange(Table& t, int column, bool hasLow, double low, bool hasHigh, double high) {
  t.First();
  if (t.Eof()) return false;
  const double first = t.FieldByNumber(column).AsFloat();
  t.Last();
  const double last = t.FieldByNumber(column).AsFloat();
  if (!(last > first)) return false;
  const double from = hasLow ? std::max(low, first) : first;
  const double to = hasHigh ? std::min(high, last) : last;
  return (to - from) / (last - first) > 0.25;
}

int Filter(sqlite3_vtab_cursor* c, int idxNum, const char*, int, sqlite3_value** argv) {
  auto* cur = reinterpret_cast<DbfCursor*>(c);
  Table& t = *cur->table;
  cur->hasUpper = false;
  cur->upperInclusive = true;
  cur->upperIsText = false;
  cur->eof = false;
  cur->single = false;
  try {
    if (idxNum == 0) {
      if (!t.IndexName().empty()) t.SetIndexName("");
      t.First();
      cur->eof = t.Eof();
      CountVisit(cur);
      return SQLITE_OK;
    }
    const int column = (idxNum >> 8) - 1;
    const Column& col = cur->vtab->columns[static_cast<std::size_t>(column)];
    const int flags = idxNum & 0xff;
    bool hasLow = false, lowInclusive = true, lowIsText = false;
    double lowNumber = 0;
    std::string lowText;

    if (col.kind == ColumnKind::Text) {
      // Equality only (see TagServes). A value that is not text leaves a
      // scan of the whole tag.
      sqlite3_value* v = argv[0];
      if (sqlite3_value_type(v) == SQLITE_NULL) {
        cur->eof = true;
        return SQLITE_OK;
      }
      if (sqlite3_value_type(v) == SQLITE_TEXT) {
        lowText = reinterpret_cast<const char*>(sqlite3_value_text(v));
        cur->upperText = lowText;
        hasLow = lowIsText = cur->hasUpper = cur->upperIsText = true;
      }
    } else {
      // Dates hold whole days, so bounds carrying a time become whole days:
      // d >= 45000.3 is d >= 45001, d <= 45000.3 is d <= 45000.
      const bool date = col.kind == ColumnKind::Date;
      int arg = 0;
      auto take = [&](sqlite3_value* v, bool isLower, bool inclusive) -> bool {
        double x = 0;
        switch (NumericBound(v, x)) {
          case BoundUse::NoRows: cur->eof = true; return false;
          case BoundUse::Ignore: return true;
          case BoundUse::Key: break;
        }
        if (date) {
          if (isLower) x = inclusive ? std::ceil(x) : std::floor(x) + 1;
          else x = inclusive ? std::floor(x) : std::ceil(x) - 1;
          inclusive = true;
        }
        if (isLower) {
          hasLow = true;
          lowNumber = x;
          lowInclusive = inclusive;
        } else {
          cur->hasUpper = true;
          cur->upperNumber = x;
          cur->upperInclusive = inclusive;
        }
        return true;
      };
      if (flags & kEq) {
        sqlite3_value* v = argv[arg++];
        if (!take(v, true, true) || !take(v, false, true)) return SQLITE_OK;
      }
      if (flags & (kGe | kGt))
        if (!take(argv[arg++], true, (flags & kGe) != 0)) return SQLITE_OK;
      if (flags & (kLe | kLt))
        if (!take(argv[arg++], false, (flags & kLe) != 0)) return SQLITE_OK;
      if (hasLow && cur->hasUpper && lowNumber > cur->upperNumber) {
        cur->eof = true;  // e.g. a day equal to a value with a time: no day matches
        return SQLITE_OK;
      }
    }

    if (t.IndexName() != col.tag) t.SetIndexName(col.tag);
    // Only when the value really bounded the scan: an ignored bound leaves a
    // walk over the whole tag, which SQLite filters.
    cur->single = (flags & kEq) && col.uniqueTag && hasLow && cur->hasUpper;
    const bool range = !(flags & kEq) && col.kind != ColumnKind::Text;
    if (range && WideRange(t, column, hasLow, lowNumber, cur->hasUpper, cur->upperNumber)) {
      // Most of the table: reading it in file order is cheaper than jumping
      // through it in key order, and SQLite keeps only the rows in range.
      cur->hasUpper = false;
      t.SetIndexName("");
      t.First();
      cur->eof = t.Eof();
      CountVisit(cur);
      return SQLITE_OK;
    }
    if (hasLow) {
      const KeyValue low = lowIsText ? KeyValue(lowText) : KeyValue(lowNumber);
      t.FindNearest(low);
      if (!lowInclusive)
        while (!t.Eof() && t.CompareCurrentKey(low) == 0) t.Next();
    } else {
      t.First();
    }
    CheckUpper(cur);
    CountVisit(cur);
  } catch (const std::exception& e) {
    SetError(c->pVtab, e.what());
    return SQLITE_ERROR;
  }
  return SQLITE_OK;
}

int Next(sqlite3_vtab_cursor* c) {
  auto* cur = reinterpret_cast<DbfCursor*>(c);
  if (cur->single) {
    cur->eof = true;
    return SQLITE_OK;
  }
  try {
    cur->table->Next();
    CheckUpper(cur);
    CountVisit(cur);
  } catch (const std::exception& e) {
    SetError(c->pVtab, e.what());
    return SQLITE_ERROR;
  }
  return SQLITE_OK;
}

int Eof(sqlite3_vtab_cursor* c) { return reinterpret_cast<DbfCursor*>(c)->eof ? 1 : 0; }

int ColumnValue(sqlite3_vtab_cursor* c, sqlite3_context* ctx, int i) {
  auto* cur = reinterpret_cast<DbfCursor*>(c);
  try {
    Field f = cur->table->FieldByNumber(i);
    switch (cur->vtab->columns[i].kind) {
      case ColumnKind::Integer:
        if (f.IsNull()) sqlite3_result_null(ctx);
        else sqlite3_result_int64(ctx, f.AsInteger());
        break;
      case ColumnKind::Real:
        if (f.IsNull()) sqlite3_result_null(ctx);
        else sqlite3_result_double(ctx, f.AsFloat());
        break;
      case ColumnKind::Date:
        if (f.IsNull()) {
          sqlite3_result_null(ctx);
        } else {
          const double d = f.AsDate();
          if (d == std::floor(d)) sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
          else sqlite3_result_double(ctx, d);
        }
        break;
      case ColumnKind::Logical: {
        const std::optional<bool> b = f.AsBoolean();
        if (b) sqlite3_result_int(ctx, *b ? 1 : 0);
        else sqlite3_result_null(ctx);
        break;
      }
      case ColumnKind::Text: {
        const std::size_t k = static_cast<std::size_t>(i);
        if (!cur->textRead[k]) {
          cur->text[k] = f.AsString();
          cur->textRead[k] = true;
        }
        const std::string& s = cur->text[k];
        sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        break;
      }
    }
  } catch (const std::exception& e) {
    sqlite3_result_error(ctx, e.what(), -1);
    return SQLITE_ERROR;
  }
  return SQLITE_OK;
}

int Rowid(sqlite3_vtab_cursor* c, sqlite3_int64* out) {
  *out = reinterpret_cast<DbfCursor*>(c)->table->RecNo();
  return SQLITE_OK;
}

sqlite3_module MakeModule() {
  sqlite3_module m;
  std::memset(&m, 0, sizeof m);
  m.iVersion = 1;
  m.xCreate = Connect;
  m.xConnect = Connect;
  m.xBestIndex = BestIndex;
  m.xDisconnect = Disconnect;
  m.xDestroy = Disconnect;
  m.xOpen = Open;
  m.xClose = Close;
  m.xFilter = Filter;
  m.xNext = Next;
  m.xEof = Eof;
  m.xColumn = ColumnValue;
  m.xRowid = Rowid;
  return m;  // no xUpdate: the tables are read-only to SQL
}

const sqlite3_module kModule = MakeModule();

}  // namespace

void RegisterDbfModule(sqlite3* db, const std::string& folder, VisitCounts* counts) {
  auto* context = new ModuleContext{folder, counts};
  const int rc = sqlite3_create_module_v2(db, kModuleName, &kModule, context,
                                          [](void* p) { delete static_cast<ModuleContext*>(p); });
  if (rc != SQLITE_OK) throw DbError(std::string("Error en la consulta SQL: ") + sqlite3_errmsg(db));
}

std::vector<std::string> DbfTablesNamed(const std::string& folder, const std::vector<std::string>& names) {
  std::set<std::string> wanted;
  for (const std::string& n : names) wanted.insert(Upper(n));
  std::vector<std::string> found;
  std::set<std::string> seen;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec)) {
    const std::filesystem::path& p = entry.path();
    if (Upper(p.extension().string()) != ".DBF") continue;
    const std::string stem = p.stem().string();
    const std::string key = Upper(stem);
    if (wanted.count(key) && seen.insert(key).second) found.push_back(stem);
  }
  std::sort(found.begin(), found.end());
  return found;
}

void CreateDbfTable(sqlite3* db, const std::string& name) {
  const std::string sql = "CREATE VIRTUAL TABLE " + QuoteIdentifier(name) + " USING " + kModuleName + "(" +
                          QuoteLiteral(name) + ")";
  char* err = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    const std::string message = err ? err : sqlite3_errmsg(db);
    sqlite3_free(err);
    throw DbError(message);
  }
}

}  // namespace data::sql
