#include "data/sql/ReadOnlyGuard.h"

#include <sqlite3.h>

#include <cctype>

#include "data/DbError.h"
#include "data/NameCase.h"

namespace data::sql {
namespace {

// Pragmas that only read, also when given an argument (a table's name).
bool ReadingPragma(const char* name) {
  static const char* const kReading[] = {"table_info",    "table_xinfo",  "table_list",      "index_list",
                                         "index_info",    "index_xinfo",  "foreign_key_list", "function_list",
                                         "module_list",   "pragma_list",  "collation_list",  "compile_options",
                                         "database_list"};
  if (!name) return false;
  for (const char* r : kReading)
    if (Upper(name) == Upper(r)) return true;
  return false;
}

const char* ActionName(int action) {
  switch (action) {
    case SQLITE_ATTACH: return "ATTACH";
    case SQLITE_DETACH: return "DETACH";
    case SQLITE_INSERT: return "INSERT";
    case SQLITE_UPDATE: return "UPDATE";
    case SQLITE_DELETE: return "DELETE";
    case SQLITE_ALTER_TABLE: return "ALTER TABLE";
    case SQLITE_REINDEX: return "REINDEX";
    case SQLITE_ANALYZE: return "ANALYZE";
    case SQLITE_TRANSACTION: return "una transacción";
    case SQLITE_SAVEPOINT: return "SAVEPOINT";
    case SQLITE_CREATE_VTABLE: return "CREATE VIRTUAL TABLE";
    case SQLITE_DROP_VTABLE: return "DROP TABLE";
    default: break;
  }
  if (action >= SQLITE_CREATE_INDEX && action <= SQLITE_CREATE_VIEW) return "CREATE";
  if (action >= SQLITE_DROP_INDEX && action <= SQLITE_DROP_VIEW) return "DROP";
  return "esa sentencia";
}

int Authorize(void* data, int action, const char* a, const char*, const char*, const char*) {
  switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
      return SQLITE_OK;
    case SQLITE_PRAGMA:
      if (ReadingPragma(a)) return SQLITE_OK;
      break;
    default:
      break;
  }
  // The first refusal ends the prepare; later calls belong to it.
  std::string& refused = *static_cast<std::string*>(data);
  if (refused.empty()) refused = action == SQLITE_PRAGMA ? std::string("PRAGMA ") + (a ? a : "") : ActionName(action);
  return SQLITE_DENY;
}

// The first word of the text, in upper case (comments are not skipped: a
// statement hidden behind one is still met by the authorizer).
std::string FirstWord(const std::string& text) {
  std::size_t b = 0;
  while (b < text.size() && !std::isalpha(static_cast<unsigned char>(text[b]))) ++b;
  std::size_t e = b;
  while (e < text.size() && std::isalpha(static_cast<unsigned char>(text[e]))) ++e;
  return Upper(text.substr(b, e - b));
}

}  // namespace

void CheckStatementKind(const std::string& text) {
  static const char* const kWriting[] = {"INSERT", "REPLACE", "UPDATE",   "DELETE",  "CREATE",  "DROP",
                                         "ALTER",  "ATTACH",  "DETACH",   "VACUUM",  "REINDEX", "ANALYZE",
                                         "BEGIN",  "COMMIT",  "END",      "ROLLBACK", "SAVEPOINT", "RELEASE"};
  const std::string word = FirstWord(text);
  for (const char* w : kWriting)
    if (word == w) Refuse(word);
}

void Refuse(const std::string& what) {
  throw DbError("Error en la consulta SQL: las consultas solo leen las tablas; no se permite " + what + ".");
}

void GuardReadOnly(sqlite3* db, std::string* refused) { sqlite3_set_authorizer(db, Authorize, refused); }

void CheckReadOnly(int rc, sqlite3_stmt* stmt, const std::string& text, const std::string& refused) {
  if (rc != SQLITE_OK) {
    if (!refused.empty()) Refuse(refused);
    return;
  }
  if (!stmt || sqlite3_stmt_readonly(stmt)) return;
  const std::string word = FirstWord(text);
  Refuse(word.empty() ? std::string("esa sentencia") : word);
}

}  // namespace data::sql
