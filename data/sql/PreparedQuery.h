#pragma once
// One SQL text prepared on a private in-memory SQLite connection in which
// the folder's tables it names are virtual tables (VirtualTable.h). A Query
// keeps it between Opens, so running the same text again (with the same or
// other parameter values) costs neither a new connection nor a new parse
// and plan: only opening the table files, which every run does anew and
// closes before it returns, so it sees what other programs wrote meanwhile
// and holds no file between runs.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/sql/Query.h"
#include "data/sql/VirtualTable.h"

struct sqlite3;
struct sqlite3_stmt;

namespace data::sql {

struct QueryResult {
  std::vector<std::string> names;
  std::vector<std::vector<SqlValue>> rows;
  VisitCounts visits;
};

// Whether LIKE conditions are handed down to the table scans (LikePushdown.h);
// the results are the same either way.
enum class LikeConditions { HandedDown, LeftToSqlite };

class PreparedQuery {
 public:
  // `text` as SQLite takes it (rewritten). Throws DbError for an SQL error,
  // a text that would do more than read (ReadOnlyGuard.h) or a table that
  // cannot be opened.
  PreparedQuery(const std::string& folder, const std::string& text,
                LikeConditions like = LikeConditions::HandedDown);
  ~PreparedQuery();
  PreparedQuery(const PreparedQuery&) = delete;
  PreparedQuery& operator=(const PreparedQuery&) = delete;

  // Runs the statement with the parameters (by upper-case name, every one
  // of the text needed) and reads the whole result. Throws DbError; a run
  // that failed because a table changed shape since the statement was
  // prepared (see EndRun) fails as any other error.
  QueryResult Run(const std::map<std::string, QueryParam>& params, const QueryLimits& limits = {});

 private:
  struct Connection;
  std::unique_ptr<Connection> c_;
};

}  // namespace data::sql
