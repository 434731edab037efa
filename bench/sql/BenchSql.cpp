// The agenda's heaviest queries over a million appointments: through the
// query object (dBase virtual tables) and, with the same text, on native
// SQLite tables holding the same rows with the same indexes.
//
// Data: $QUILLAR_BENCH_DIR (default ./bench-data-sql), made on first run;
// $QUILLAR_BENCH_ROWS rows (default 1000000).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "BenchData.h"
#include "data/sql/PreparedQuery.h"
#include "data/sql/Query.h"
#include "data/sql/SqlFunctions.h"
#include "data/sql/SqlRewrite.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    const char* dir = std::getenv("QUILLAR_BENCH_DIR");
    const char* rows = std::getenv("QUILLAR_BENCH_ROWS");
    std::string f = std::string(dir && *dir ? dir : "bench-data-sql") + "/";
    benchdata::EnsureData(f, rows && *rows ? std::atoi(rows) : 1000000);
    return f;
  }();
  return folder;
}

using Params = std::map<std::string, data::SqlValue>;

data::SqlValue Date(TDateTime v) { return {data::SqlValue::Type::Float, true, 0, v, {}}; }
data::SqlValue Text(std::string s) { return {data::SqlValue::Type::Text, false, 0, 0, std::move(s)}; }

struct Case {
  std::vector<std::string> sql;
  Params params;
};

// The report of the appointments from `desde` to the end of day `hasta`.
Case Report(TDate desde, TDate hasta) {
  return {{"SELECT A.*, C.CATEGORIA", "FROM AGENDA AS A", "LEFT JOIN CATEGORIAS AS C ON C.ID=A.TIPO",
           "WHERE A.FECHA_INI>=:pDesdeFecha AND A.FECHA_INI<=:pHastaFecha", "ORDER BY A.FECHA_INI, A.HORA_INI"},
          {{"pDesdeFecha", Date(desde)}, {"pHastaFecha", Date(hasta + dt::EncodeTime(23, 59, 59, 999))}}};
}

Case MonthReport() { return Report(dt::EncodeDate(2025, 3, 1), dt::EncodeDate(2025, 3, 31)); }

Case Search(TDate desde, TDate hasta) {
  return {{"SELECT ID, FECHA_INI, HORA_INI, ASUNTO", "FROM AGENDA.DBF", "WHERE (FECHA_INI BETWEEN :DESDE AND :HASTA)",
           "AND (UPPER(ASUNTO) LIKE '%INFORME%' OR", "NOTAS LIKE '%informe%' OR", "NOTAS LIKE '%INFORME%' OR",
           "NOTAS LIKE '%informe%')"},
          {{"DESDE", Date(desde)}, {"HASTA", Date(hasta)}}};
}

Case Reminders() {
  return {{"SELECT A.*, C.CATEGORIA", "FROM AGENDA AS A", "LEFT JOIN CATEGORIAS AS C ON C.ID=A.TIPO",
           "WHERE A.AVISO<>0 AND", "((A.F_AVISO=:pFECHA AND A.H_AVISO<=:pHORA) OR", "(A.F_AVISO<:pFECHA))",
           "ORDER BY FECHA_INI, HORA_INI"},
          {{"pFECHA", Date(benchdata::kToday)}, {"pHORA", Text("12:00")}}};
}

void SetParams(data::Query& q, const Params& params) {
  for (const auto& [name, v] : params) {
    if (v.type == data::SqlValue::Type::Text) q.ParamByName(name).SetAsString(v.text);
    else q.ParamByName(name).SetAsDate(v.number);
  }
}

void RunDbf(benchmark::State& state, const Case& c) {
  data::Query q(Folder());
  q.SetSQL(c.sql);
  SetParams(q, c.params);
  for (auto _ : state) {
    q.Open();
    benchmark::DoNotOptimize(q.RecordCount());
  }
  state.counters["rows"] = q.RecordCount();
  state.counters["visited"] = static_cast<double>(q.RecordsVisited());
  q.Close();
}

// The report of the next month not asked for before by the process (from
// January 1950 on, 900 months), so that nothing read for it is at hand in
// the program's own memory, only in the system's file cache. (`next` counts
// on over the benchmark's repeated runs.)
Case ReportOfNewMonth(int& next) {
  const int i = next++ % 900;
  const TDate first = dt::EncodeDate(1950 + i / 12, i % 12 + 1, 1);
  return Report(first, dt::IncMonth(first, 1) - 1);
}

void BM_MonthReportEachMonth_Dbf(benchmark::State& state) {
  static int next = 0;
  data::Query q(Folder());
  q.SetSQL(MonthReport().sql);
  for (auto _ : state) {
    SetParams(q, ReportOfNewMonth(next).params);
    q.Open();
    benchmark::DoNotOptimize(q.RecordCount());
  }
  state.counters["rows"] = q.RecordCount();
  q.Close();
}

// The same text on the native tables, rows read into memory as the query
// object reads them.
// `paramsOf(i)`: the parameter values of the i-th run.
void RunNative(benchmark::State& state, const std::vector<std::string>& sql,
               const std::function<const Params&(int)>& paramsOf) {
  sqlite3* db = nullptr;
  sqlite3_open_v2((Folder() + "native.sqlite").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_exec(db, "PRAGMA case_sensitive_like = ON; PRAGMA cache_size = -200000", nullptr, nullptr, nullptr);
  data::sql::RegisterSqlFunctions(db);
  std::string text;
  for (const auto& line : sql) text += line + "\n";
  text = data::sql::RewriteForSqlite(text);
  std::size_t rows = 0;
  int run = 0;
  for (auto _ : state) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, text.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      state.SkipWithError(sqlite3_errmsg(db));
      break;
    }
    for (const auto& [name, v] : paramsOf(run++)) {
      const int i = sqlite3_bind_parameter_index(stmt, (":" + name).c_str());
      if (v.type == data::SqlValue::Type::Text) sqlite3_bind_text(stmt, i, v.text.c_str(), -1, SQLITE_TRANSIENT);
      else sqlite3_bind_double(stmt, i, v.number);
    }
    std::vector<std::vector<data::SqlValue>> result;
    const int n = sqlite3_column_count(stmt);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      auto& row = result.emplace_back();
      for (int i = 0; i < n; ++i) {
        data::SqlValue v;
        switch (sqlite3_column_type(stmt, i)) {
          case SQLITE_INTEGER: v.type = data::SqlValue::Type::Integer; v.integer = sqlite3_column_int64(stmt, i); break;
          case SQLITE_FLOAT: v.type = data::SqlValue::Type::Float; v.number = sqlite3_column_double(stmt, i); break;
          case SQLITE_NULL: break;
          default:
            v.type = data::SqlValue::Type::Text;
            v.text.assign(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                          static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
        }
        row.push_back(std::move(v));
      }
    }
    sqlite3_finalize(stmt);
    rows = result.size();
    benchmark::DoNotOptimize(result.data());
  }
  state.counters["rows"] = static_cast<double>(rows);
  sqlite3_close(db);
}

void RunNative(benchmark::State& state, const Case& c) {
  RunNative(state, c.sql, [&c](int) -> const Params& { return c.params; });
}

void BM_MonthReportEachMonth_Native(benchmark::State& state) {
  static int next = 0;
  Params params;
  RunNative(state, MonthReport().sql, [&params](int) -> const Params& {
    params = ReportOfNewMonth(next).params;
    return params;
  });
}

const TDate kWideFrom = dt::EncodeDate(1900, 1, 1);
const TDate kWideTo = dt::EncodeDate(2100, 12, 31);

void BM_MonthReport_Dbf(benchmark::State& s) { RunDbf(s, MonthReport()); }
void BM_MonthReport_Native(benchmark::State& s) { RunNative(s, MonthReport()); }
// What every query pays whatever it finds: a month with no appointments.
void BM_EmptyMonthReport_Dbf(benchmark::State& s) {
  RunDbf(s, Report(dt::EncodeDate(2200, 3, 1), dt::EncodeDate(2200, 3, 31)));
}
void BM_EmptyMonthReport_Native(benchmark::State& s) {
  RunNative(s, Report(dt::EncodeDate(2200, 3, 1), dt::EncodeDate(2200, 3, 31)));
}
void BM_YearReport_Dbf(benchmark::State& s) { RunDbf(s, Report(dt::EncodeDate(2025, 1, 1), dt::EncodeDate(2025, 12, 31))); }
void BM_YearReport_Native(benchmark::State& s) {
  RunNative(s, Report(dt::EncodeDate(2025, 1, 1), dt::EncodeDate(2025, 12, 31)));
}
void BM_SearchAllDates_Dbf(benchmark::State& s) { RunDbf(s, Search(kWideFrom, kWideTo)); }
// The same with the LIKE conditions left to SQLite instead of handed down
// to the scan: what the search cost before.
void BM_SearchAllDates_DbfLikeInSqlite(benchmark::State& state) {
  const Case c = Search(kWideFrom, kWideTo);
  std::string text;
  for (const auto& line : c.sql) text += line + "\n";
  data::sql::PreparedQuery q(Folder(), data::sql::RewriteForSqlite(text), data::sql::LikeConditions::LeftToSqlite);
  std::map<std::string, data::QueryParam> params;
  for (const auto& [name, v] : c.params) params[name].SetAsDate(v.number);
  std::size_t rows = 0;
  for (auto _ : state) rows = q.Run(params).rows.size();
  state.counters["rows"] = static_cast<double>(rows);
}
void BM_SearchAllDates_Native(benchmark::State& s) { RunNative(s, Search(kWideFrom, kWideTo)); }
void BM_SearchDefaultRange_Dbf(benchmark::State& s) {
  RunDbf(s, Search(benchdata::kToday - 30, benchdata::kToday + 365));
}
void BM_SearchDefaultRange_Native(benchmark::State& s) {
  RunNative(s, Search(benchdata::kToday - 30, benchdata::kToday + 365));
}
void BM_Reminders_Dbf(benchmark::State& s) { RunDbf(s, Reminders()); }
void BM_Reminders_Native(benchmark::State& s) { RunNative(s, Reminders()); }

BENCHMARK(BM_MonthReport_Dbf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthReport_Native)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthReportEachMonth_Dbf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthReportEachMonth_Native)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EmptyMonthReport_Dbf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EmptyMonthReport_Native)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearReport_Dbf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_YearReport_Native)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchAllDates_Dbf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchAllDates_DbfLikeInSqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchAllDates_Native)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchDefaultRange_Dbf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchDefaultRange_Native)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reminders_Dbf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reminders_Native)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
