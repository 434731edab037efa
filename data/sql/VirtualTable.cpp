#include "data/sql/VirtualTable.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <system_error>

#include "data/DbError.h"
#include "data/NameCase.h"
#include "data/Table.h"
#include "data/sql/DbfScan.h"
#include "data/sql/LikePushdown.h"
#include "data/sql/SqlTokens.h"
#include "data/sql/TableSnapshot.h"
#include "data/sql/TextFilter.h"

namespace data::sql {
namespace {

constexpr const char* kModuleName = "quillar_dbf";

// A table of the folder opened for a query.
std::unique_ptr<Table> OpenForQuery(const std::string& folder, const std::string& name) {
  auto t = std::make_unique<Table>(folder, name);
  t->Open();
  return t;
}

std::string QuoteIdentifier(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + '"';
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

}  // namespace

struct DbfVTab;

struct ModuleContext {
  std::string folder;
  VisitCounts* counts;
  std::vector<DbfVTab*> tables;  // created on the connection
};

namespace {

// Tables up to this many records are read into memory once they are scanned
// a second time in one statement (the inner side of a join).
constexpr double kSnapshotRows = 2000;

}  // namespace

struct DbfVTab {
  sqlite3_vtab base{};  // first: SQLite sees a sqlite3_vtab*
  ModuleContext* context = nullptr;
  std::string tableName;
  std::vector<Column> columns;
  double rows = 1;  // estimate the statements were planned with
  // --- One run of a statement; EndRun forgets them.
  // The table as opened to read its structure, kept for the first cursor.
  std::unique_ptr<Table> spare;
  int scans = 0;
  std::unique_ptr<TableSnapshot> snapshot;
};

namespace {

// The scan a cursor runs: file order, or a range of one tag.
//   idxNum = 0                      file order
//   idxNum = (column+1) << 8 | flags, with the bound values in argv in the
//   order equality, lower, upper.
// With kOrdered the rows come in the order of the ORDER BY terms given in
// idxStr as "<mask of the columns used>;<column><a|d>,<column><a|d>,...", the first
// term being the scanned column ascending. The values of the text filter
// column's MATCH constraints (LikePushdown.h) follow the bounds in argv.
enum : int {
  kEq = 1,
  kGe = 2,
  kGt = 4,
  kLe = 8,
  kLt = 16,
  kOrdered = 32,
};

struct DbfCursor {
  sqlite3_vtab_cursor base{};
  DbfVTab* vtab = nullptr;
  std::unique_ptr<Table> table;
  std::uint64_t* tableVisits = nullptr;
  bool eof = true;

  // --- Walking the table (file order or a tag).
  bool tableDone = true;  // past the last record of the scan
  bool single = false;    // equality on a unique tag: one row at most
  // The walk stops once past the upper bound (at it, when not inclusive).
  std::optional<KeyValue> upper;
  bool upperInclusive = true;
  // Values of the current record by column, read once: a WHERE clause may
  // name a memo several times (NOTAS LIKE ... OR NOTAS LIKE ...).
  std::vector<SqlValue> values;
  std::vector<char> valueRead;
  // Records that fail it are stepped over before SQLite sees them.
  TextFilter filter;

  // --- Rows held in memory: the snapshot's, or the group of records with
  // equal keys an ordered walk has read and sorted.
  bool fromList = false;
  std::vector<const Row*> list;
  std::size_t pos = 0;
  bool grouped = false;
  int orderColumn = -1;
  std::vector<OrderTerm> terms;
  std::vector<bool> used;  // columns the statement reads
  std::vector<Row> group;
};

void SetError(sqlite3_vtab* vt, const std::string& message) {
  sqlite3_free(vt->zErrMsg);
  vt->zErrMsg = sqlite3_mprintf("%s", message.c_str());
}

// Records in the file, deleted ones included: enough for the planner, and
// it does not read the table.
double EstimateRows(const Table& t) { return std::max(1.0, static_cast<double>(t.RecordSlots())); }

// The table's columns as SQL sees them, with the tags that can serve them.
std::vector<Column> ColumnsOf(const Table& t) {
  std::vector<Column> columns;
  for (const FieldInfo& f : t.Fields()) columns.push_back({f.name, KindOf(f), f.type == 'D', "", false});
  for (const TagInfo& tag : t.Tags()) {
    for (Column& c : columns) {
      if (c.tag.empty() && Upper(c.name) == Upper(tag.field)) {
        c.tag = tag.name;
        c.uniqueTag = tag.unique;
      }
    }
  }
  return columns;
}

// Why a statement prepared earlier must not run on the table as opened
// now, or "" when it may: its columns or tags changed (a table restored
// from another version), or its size changed so much that the plan made for
// the old size may be a poor one.
std::string StaleReason(const DbfVTab& vt, const Table& t) {
  if (ColumnsOf(t) != vt.columns) return "La estructura de la tabla " + vt.tableName + " ha cambiado.";
  const double now = EstimateRows(t);
  if (now > vt.rows * 2 || vt.rows > now * 2) return "El tamaño de la tabla " + vt.tableName + " ha cambiado.";
  return {};
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
    vt->spare = OpenForQuery(context->folder, vt->tableName);
    vt->rows = EstimateRows(*vt->spare);
    vt->columns = ColumnsOf(*vt->spare);
  } catch (const std::exception& e) {
    *err = sqlite3_mprintf("%s", e.what());
    return SQLITE_ERROR;
  }
  std::string schema = "CREATE TABLE x(";
  for (std::size_t i = 0; i < vt->columns.size(); ++i) {
    if (i) schema += ", ";
    schema += QuoteIdentifier(vt->columns[i].name) + " " + DeclaredType(vt->columns[i].kind);
  }
  schema += std::string(vt->columns.empty() ? "" : ", ") + kTextFilterColumn + " HIDDEN)";
  const int rc = sqlite3_declare_vtab(db, schema.c_str());
  if (rc != SQLITE_OK) {
    *err = sqlite3_mprintf("%s", sqlite3_errmsg(db));
    return rc;
  }
  context->tables.push_back(vt.get());
  *out = &vt.release()->base;
  return SQLITE_OK;
}

int Disconnect(sqlite3_vtab* tab) {
  auto* vt = reinterpret_cast<DbfVTab*>(tab);
  auto& tables = vt->context->tables;
  tables.erase(std::remove(tables.begin(), tables.end(), vt), tables.end());
  delete vt;
  return SQLITE_OK;
}

// A tag can answer ranges on numbers and dates. On text only equality is
// used, and only under SQL's plain byte comparison: the index orders the
// code page's bytes, which for accented letters is not SQLite's order of the
// UTF-8 text, and it knows nothing of COLLATE NOCASE.
bool TagServes(const Column& c, unsigned char op, sqlite3_index_info* info, int constraint) {
  if (c.tag.empty()) return false;
  if (c.kind == ColumnKind::Logical) return false;
  if (c.kind == ColumnKind::Text)
    return op == SQLITE_INDEX_CONSTRAINT_EQ && sqlite3_stricmp(sqlite3_vtab_collation(info, constraint), "BINARY") == 0;
  return op == SQLITE_INDEX_CONSTRAINT_EQ || op == SQLITE_INDEX_CONSTRAINT_GE ||
         op == SQLITE_INDEX_CONSTRAINT_GT || op == SQLITE_INDEX_CONSTRAINT_LE ||
         op == SQLITE_INDEX_CONSTRAINT_LT;
}

// Whether a walk of `column`'s tag gives the rows in the ORDER BY's order
// once each group of equal keys is sorted by the other terms: the first term
// is that column ascending and every term is a column of this table. Numbers
// and dates only (see TagServes). A blank value has a key among the numbers,
// where SQL puts NULL first, but the scan's own constraint on the column
// keeps NULL out of the result.
bool WalkGivesOrder(const DbfVTab& vt, int column, const sqlite3_index_info* info) {
  if (info->nOrderBy < 1) return false;
  const ColumnKind kind = vt.columns[static_cast<std::size_t>(column)].kind;
  if (kind == ColumnKind::Text || kind == ColumnKind::Logical) return false;
  if (info->aOrderBy[0].iColumn != column || info->aOrderBy[0].desc) return false;
  for (int i = 0; i < info->nOrderBy; ++i) {
    const int c = info->aOrderBy[i].iColumn;
    if (c < 0 || c >= static_cast<int>(vt.columns.size())) return false;
  }
  return true;
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
      if (!c.usable || c.iColumn != col || !TagServes(vt->columns[col], c.op, info, i)) continue;
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

  // The text filter's values come last, after the bounds.
  const int filterColumn = static_cast<int>(vt->columns.size());
  auto takeFilters = [info, filterColumn](int argv) {
    for (int i = 0; i < info->nConstraint; ++i) {
      const auto& c = info->aConstraint[i];
      if (c.usable && c.iColumn == filterColumn && c.op == SQLITE_INDEX_CONSTRAINT_MATCH) {
        info->aConstraintUsage[i].argvIndex = ++argv;
        info->aConstraintUsage[i].omit = 1;
      }
    }
  };
  info->estimatedRows = static_cast<sqlite3_int64>(bestRows);
  if (bestColumn < 0) {
    info->idxNum = 0;
    info->estimatedCost = n * 2;  // every record is read
    takeFilters(0);
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
  if (WalkGivesOrder(*vt, bestColumn, info)) {
    std::string plan = std::to_string(static_cast<unsigned long long>(info->colUsed)) + ";";
    for (int i = 0; i < info->nOrderBy; ++i)
      plan += std::to_string(info->aOrderBy[i].iColumn) + (info->aOrderBy[i].desc ? "d," : "a,");
    info->idxStr = sqlite3_mprintf("%s", plan.c_str());
    if (info->idxStr) {
      info->needToFreeIdxStr = 1;
      info->orderByConsumed = 1;
      flags |= kOrdered;
    }
  }
  info->idxNum = (bestColumn + 1) << 8 | flags;
  takeFilters(argv);
  // A seek costs a few index pages; each record after it one read.
  info->estimatedCost = 10 + bestRows * 2;
  return SQLITE_OK;
}

int Open(sqlite3_vtab* tab, sqlite3_vtab_cursor** out) {
  auto* vt = reinterpret_cast<DbfVTab*>(tab);
  auto cur = std::make_unique<DbfCursor>();
  cur->vtab = vt;
  try {
    if (vt->spare) {
      cur->table = std::move(vt->spare);
    } else {
      cur->table = OpenForQuery(vt->context->folder, vt->tableName);
      const std::string stale = StaleReason(*vt, *cur->table);
      if (!stale.empty()) throw DbError(stale);
    }
  } catch (const std::exception& e) {
    SetError(tab, e.what());
    return SQLITE_ERROR;
  }
  cur->tableVisits = &vt->context->counts->byTable[vt->tableName];
  cur->values.resize(vt->columns.size());
  cur->valueRead.assign(vt->columns.size(), 0);
  *out = &cur.release()->base;
  return SQLITE_OK;
}

int Close(sqlite3_vtab_cursor* c) {
  delete reinterpret_cast<DbfCursor*>(c);
  return SQLITE_OK;
}

void CountVisits(DbfCursor* cur, std::uint64_t n) {
  *cur->tableVisits += n;
  cur->vtab->context->counts->total += n;
}

// After each step of the walk: at the end of the table, or past the upper
// bound (at it, for "<"), the walk is over; otherwise a record is visited.
// A record the text filter turns away is stepped over.
void Stepped(DbfCursor* cur) {
  std::fill(cur->valueRead.begin(), cur->valueRead.end(), 0);
  Table& t = *cur->table;
  for (;;) {
    if (cur->tableDone || t.Eof()) {
      cur->tableDone = true;
      return;
    }
    if (cur->upper) {
      const int cmp = t.CompareCurrentKey(*cur->upper);
      if (cmp > 0 || (cmp == 0 && !cur->upperInclusive)) {
        cur->tableDone = true;
        return;
      }
    }
    CountVisits(cur, 1);
    if (cur->filter.Empty() || cur->filter.Passes(t)) return;
    ++cur->vtab->context->counts->turnedAway;
    t.Next();
  }
}

// Reads the next group of records with equal keys into memory, sorted by the
// ORDER BY terms; false at the end of the walk. The rows of the groups read
// before are overwritten, so their text storage serves again.
bool ReadGroup(DbfCursor* cur) {
  cur->list.clear();
  cur->pos = 0;
  if (cur->tableDone) return false;
  Table& t = *cur->table;
  const auto& columns = cur->vtab->columns;
  std::size_t n = 0;
  std::optional<KeyValue> key;
  bool blank = false;
  for (;;) {
    if (n == cur->group.size()) cur->group.emplace_back().values.resize(columns.size());
    Row& r = cur->group[n++];
    r.rowid = t.RecNo();
    for (std::size_t i = 0; i < columns.size(); ++i)
      if (cur->used[i]) ReadColumn(t, static_cast<int>(i), columns[i], r.values[i]);
    if (!key) {
      const SqlValue& first = r.values[static_cast<std::size_t>(cur->orderColumn)];
      key.emplace(first.number);
      blank = first.type == SqlValue::Type::Null;
    }
    t.Next();
    Stepped(cur);
    // A blank value stands alone: its key is not the key of the number 0.
    if (blank || cur->tableDone || t.CompareCurrentKey(*key) != 0) break;
  }
  for (std::size_t i = 0; i < n; ++i) cur->list.push_back(&cur->group[i]);
  SortRows(cur->list, cur->terms);
  return !cur->list.empty();
}

// Whether [low, high] covers more than a quarter of the span between the
// first and the last key of the current tag (numbers and dates; a missing
// bound stands for that end). Leaves the position anywhere.
bool WideRange(Table& t, int column, const ScanBounds& b) {
  t.First();
  if (t.Eof()) return false;
  const double first = t.FieldByNumber(column).AsFloat();
  t.Last();
  const double last = t.FieldByNumber(column).AsFloat();
  if (!(last > first)) return false;
  const double from = b.low.set ? std::max(b.low.value.number, first) : first;
  const double to = b.high.set ? std::min(b.high.value.number, last) : last;
  return (to - from) / (last - first) > 0.25;
}

KeyValue KeyOf(const SqlValue& v) {
  if (v.type == SqlValue::Type::Text) return KeyValue(v.text);
  return KeyValue(v.number);
}

// Reads the ORDER BY terms and the columns used from a plan's idxStr.
void ReadOrderPlan(DbfCursor* cur, const char* plan) {
  const std::size_t n = cur->vtab->columns.size();
  cur->terms.clear();
  cur->used.assign(n, false);
  char* p = nullptr;
  const unsigned long long mask = std::strtoull(plan, &p, 10);
  // Bit 63 stands for every column from the 64th on.
  for (std::size_t i = 0; i < n; ++i) cur->used[i] = (mask >> std::min<std::size_t>(i, 63)) & 1;
  if (*p == ';') ++p;
  while (*p) {
    const long column = std::strtol(p, &p, 10);
    const bool desc = *p == 'd';
    if (*p) ++p;
    if (*p == ',') ++p;
    if (column >= 0 && static_cast<std::size_t>(column) < n) {
      cur->terms.push_back({static_cast<int>(column), desc});
      cur->used[static_cast<std::size_t>(column)] = true;
    }
  }
}

int Filter(sqlite3_vtab_cursor* c, int idxNum, const char* idxStr, int argc, sqlite3_value** argv) {
  auto* cur = reinterpret_cast<DbfCursor*>(c);
  DbfVTab* vt = cur->vtab;
  Table& t = *cur->table;
  cur->upper.reset();
  cur->upperInclusive = true;
  cur->single = false;
  cur->fromList = cur->grouped = false;
  cur->list.clear();
  cur->pos = 0;
  try {
    const int column = (idxNum >> 8) - 1;
    const int flags = idxNum & 0xff;
    ScanBounds b;
    int arg = 0;
    if (column >= 0) {
      sqlite3_value* eq = flags & kEq ? argv[arg++] : nullptr;
      sqlite3_value* lower = flags & (kGe | kGt) ? argv[arg++] : nullptr;
      sqlite3_value* upper = flags & (kLe | kLt) ? argv[arg++] : nullptr;
      b = BoundsOf(column, vt->columns[static_cast<std::size_t>(column)], eq, lower, (flags & kGe) != 0, upper,
                   (flags & kLe) != 0);
    }
    cur->filter.Clear();
    for (std::vector<LikeTerm> terms; arg < argc; ++arg) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[arg]));
      if (text && DecodeLikeTerms(std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(argv[arg]))), terms))
        cur->filter.AddGroup(t, terms);
    }
    const bool ordered = (flags & kOrdered) && idxStr;
    if (ordered) {
      ReadOrderPlan(cur, idxStr);
      cur->orderColumn = column;
    }

    if (!vt->snapshot && vt->rows <= kSnapshotRows && ++vt->scans >= 2) {
      std::uint64_t read = 0;
      vt->snapshot = std::make_unique<TableSnapshot>(t, vt->columns, read);
      CountVisits(cur, read);
    }
    if (vt->snapshot) {
      cur->fromList = true;
      vt->snapshot->Select(b, cur->list);
      if (ordered) SortRows(cur->list, cur->terms);
      cur->eof = cur->list.empty();
      return SQLITE_OK;
    }

    cur->eof = cur->tableDone = false;
    if (b.none) {
      cur->eof = cur->tableDone = true;
      return SQLITE_OK;
    }
    if (column < 0) {
      if (!t.IndexName().empty()) t.SetIndexName("");
      t.First();
      Stepped(cur);
      cur->eof = cur->tableDone;
      return SQLITE_OK;
    }
    const Column& col = vt->columns[static_cast<std::size_t>(column)];
    if (t.IndexName() != col.tag) t.SetIndexName(col.tag);
    // Only when the value really bounded the scan: an ignored bound leaves a
    // walk over the whole tag, which SQLite filters.
    cur->single = (flags & kEq) && col.uniqueTag && b.low.set && b.high.set;
    const bool range = !(flags & kEq) && col.kind != ColumnKind::Text;
    // Most of the table: reading it in file order is cheaper than jumping
    // through it in key order, and SQLite keeps only the rows in range. Not
    // when the rows must come in key order.
    if (range && !ordered && WideRange(t, column, b)) {
      t.SetIndexName("");
      t.First();
      Stepped(cur);
      cur->eof = cur->tableDone;
      return SQLITE_OK;
    }
    if (b.high.set) {
      cur->upper = KeyOf(b.high.value);
      cur->upperInclusive = b.high.inclusive;
    }
    if (b.low.set) {
      const KeyValue low = KeyOf(b.low.value);
      t.FindNearest(low);
      if (!b.low.inclusive)
        while (!t.Eof() && t.CompareCurrentKey(low) == 0) t.Next();
    } else {
      t.First();
    }
    Stepped(cur);
    if (ordered && !cur->tableDone) {
      cur->grouped = cur->fromList = true;
      ReadGroup(cur);
    }
    cur->eof = cur->tableDone && cur->list.empty();
  } catch (const std::exception& e) {
    SetError(c->pVtab, e.what());
    return SQLITE_ERROR;
  }
  return SQLITE_OK;
}

int Next(sqlite3_vtab_cursor* c) {
  auto* cur = reinterpret_cast<DbfCursor*>(c);
  try {
    if (cur->fromList) {
      if (++cur->pos < cur->list.size()) return SQLITE_OK;
      cur->eof = !cur->grouped || cur->tableDone || !ReadGroup(cur);
      return SQLITE_OK;
    }
    if (cur->single) {
      cur->eof = true;
      return SQLITE_OK;
    }
    cur->table->Next();
    Stepped(cur);
    cur->eof = cur->tableDone;
  } catch (const std::exception& e) {
    SetError(c->pVtab, e.what());
    return SQLITE_ERROR;
  }
  return SQLITE_OK;
}

int Eof(sqlite3_vtab_cursor* c) { return reinterpret_cast<DbfCursor*>(c)->eof ? 1 : 0; }

int ColumnValue(sqlite3_vtab_cursor* c, sqlite3_context* ctx, int i) {
  auto* cur = reinterpret_cast<DbfCursor*>(c);
  const auto k = static_cast<std::size_t>(i);
  if (k >= cur->vtab->columns.size()) {  // the text filter column
    sqlite3_result_null(ctx);
    return SQLITE_OK;
  }
  if (cur->fromList) {
    ResultOf(ctx, cur->list[cur->pos]->values[k]);
    return SQLITE_OK;
  }
  try {
    if (!cur->valueRead[k]) {
      ReadColumn(*cur->table, i, cur->vtab->columns[k], cur->values[k]);
      cur->valueRead[k] = 1;
    }
    ResultOf(ctx, cur->values[k]);
  } catch (const std::exception& e) {
    sqlite3_result_error(ctx, e.what(), -1);
    return SQLITE_ERROR;
  }
  return SQLITE_OK;
}

int Rowid(sqlite3_vtab_cursor* c, sqlite3_int64* out) {
  auto* cur = reinterpret_cast<DbfCursor*>(c);
  *out = cur->fromList ? cur->list[cur->pos]->rowid : cur->table->RecNo();
  return SQLITE_OK;
}

// A text filter's MATCH that SQLite evaluates itself (the scan was not
// given it) lets every row through: the condition it stands in front of
// decides.
void TextFilterMatch(sqlite3_context* ctx, int, sqlite3_value** argv) {
  std::vector<LikeTerm> terms;
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  if (!text || !DecodeLikeTerms(std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(argv[0]))), terms)) {
    sqlite3_result_error(ctx, "unable to use function MATCH in the requested context", -1);
    return;
  }
  sqlite3_result_int(ctx, 1);
}

int FindFunction(sqlite3_vtab*, int argc, const char* name, void (**fn)(sqlite3_context*, int, sqlite3_value**),
                 void** arg) {
  if (argc != 2 || sqlite3_stricmp(name, "match") != 0) return 0;
  *fn = TextFilterMatch;
  *arg = nullptr;
  return 1;
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
  m.xFindFunction = FindFunction;
  return m;  // no xUpdate: the tables are read-only to SQL
}

const sqlite3_module kModule = MakeModule();

}  // namespace

ModuleContext* RegisterDbfModule(sqlite3* db, const std::string& folder, VisitCounts* counts) {
  auto* context = new ModuleContext{folder, counts, {}};
  const int rc = sqlite3_create_module_v2(db, kModuleName, &kModule, context,
                                          [](void* p) { delete static_cast<ModuleContext*>(p); });
  if (rc != SQLITE_OK) throw DbError(std::string("Error en la consulta SQL: ") + sqlite3_errmsg(db));
  return context;
}

void EndRun(ModuleContext* module) {
  for (DbfVTab* vt : module->tables) {
    vt->spare.reset();
    vt->snapshot.reset();
    vt->scans = 0;
  }
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
