// The engine on a table of 1,000,000 appointment-shaped records (with notes
// of 0 to 500 characters and the ID and FECHA_INI indexes), each operation
// beside the same work done by SQLite on the same data with the same
// indexes. The data are generated once into $TMPDIR/quillar-bench and kept
// for later runs; QUILLAR_BENCH_RECORDS overrides the size.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/TableSchemas.h"
#include "core/DateTime.h"
#include "data/Table.h"

using namespace data;

namespace {

int Records() {
  const char* n = std::getenv("QUILLAR_BENCH_RECORDS");
  return n ? std::atoi(n) : 1000000;
}

std::string Folder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string f = std::string(tmp ? tmp : "/tmp") + "/quillar-bench-" + std::to_string(Records()) + "/";
  std::filesystem::create_directories(f);
  return f;
}

// About 1,000 appointments a month: the days span Records()/1000 months.
const TDateTime kFirstDay = 36526;  // 01/01/2000
double DaysSpan() { return Records() / 1000.0 * 30.44; }

const char* kWords[] = {"reunión", "cliente", "proyecto", "revisión", "llamada", "médico", "entrega", "presupuesto",
                        "equipo", "oficina", "viaje", "factura", "informe", "comida", "formación", "visita"};

std::string Sentence(std::mt19937& rng, size_t maxChars) {
  std::string s;
  while (s.size() < maxChars) {
    const char* w = kWords[rng() % 16];
    if (s.size() + std::strlen(w) + 1 > maxChars) break;
    if (!s.empty()) s += ' ';
    s += w;
  }
  return s;
}

struct Row {
  int id;
  TDateTime day;
  std::string hora, asunto, lugar, notas;
};

Row MakeRow(std::mt19937& rng, int i) {
  Row r;
  r.id = i + 1;
  r.day = kFirstDay + std::floor(std::uniform_real_distribution<double>(0, DaysSpan())(rng));
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d:%02d", static_cast<int>(rng() % 24), static_cast<int>(rng() % 4) * 15);
  r.hora = buf;
  r.asunto = Sentence(rng, 20 + rng() % 60);
  r.lugar = Sentence(rng, rng() % 30);
  r.notas = Sentence(rng, rng() % 501);
  return r;
}

void Generate() {
  const std::string folder = Folder();
  const std::string done = folder + "complete";
  if (std::filesystem::exists(done)) return;
  std::mt19937 rng(1234);
  Table t(folder, "AGENDA");
  t.Create(AgendaFieldDefs(), AgendaIndexDefs());
  t.Open(OpenMode::Exclusive);
  sqlite3* db = nullptr;
  std::filesystem::remove(folder + "agenda.sqlite");
  sqlite3_open((folder + "agenda.sqlite").c_str(), &db);
  sqlite3_exec(db,
               "CREATE TABLE agenda(ID REAL, FECHA_INI REAL, FECHA_FIN REAL, HORA_INI TEXT, HORA_FIN TEXT,"
               " ASUNTO TEXT, LUGAR TEXT, NOTAS TEXT, AVISO REAL, TIPO REAL, F_AVISO REAL, H_AVISO TEXT);"
               "BEGIN;",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* ins = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO agenda VALUES(?,?,?,?,?,?,?,?,1,0,?,?)", -1, &ins, nullptr);
  t.BeginBatch();
  for (int i = 0; i < Records(); ++i) {
    Row r = MakeRow(rng, i);
    t.Append();
    t.FieldByName("ID").SetAsInteger(r.id);
    t.FieldByName("FECHA_INI").SetAsDate(r.day);
    t.FieldByName("FECHA_FIN").SetAsDate(r.day);
    t.FieldByName("HORA_INI").SetAsString(r.hora);
    t.FieldByName("HORA_FIN").SetAsString(r.hora);
    t.FieldByName("ASUNTO").SetAsString(r.asunto);
    t.FieldByName("LUGAR").SetAsString(r.lugar);
    if (!r.notas.empty()) t.FieldByName("NOTAS").SetAsString(r.notas);
    t.FieldByName("AVISO").SetAsInteger(1);
    t.FieldByName("F_AVISO").SetAsDate(r.day);
    t.FieldByName("H_AVISO").SetAsString(r.hora);
    t.Post();
    sqlite3_bind_double(ins, 1, r.id);
    sqlite3_bind_double(ins, 2, r.day);
    sqlite3_bind_double(ins, 3, r.day);
    sqlite3_bind_text(ins, 4, r.hora.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 5, r.hora.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 6, r.asunto.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 7, r.lugar.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 8, r.notas.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(ins, 9, r.day);
    sqlite3_bind_text(ins, 10, r.hora.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(ins);
    sqlite3_reset(ins);
  }
  t.EndBatch();
  sqlite3_finalize(ins);
  sqlite3_exec(db, "COMMIT; CREATE UNIQUE INDEX agenda_id ON agenda(ID); CREATE INDEX agenda_fecha ON agenda(FECHA_INI);",
               nullptr, nullptr, nullptr);
  sqlite3_close(db);
  std::ofstream(done) << "ok";
}

struct Setup {
  Setup() { Generate(); }
};
const Setup& Ensure() {
  static Setup s;
  return s;
}

sqlite3* OpenSqlite() {
  sqlite3* db = nullptr;
  sqlite3_open_v2((Folder() + "agenda.sqlite").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  return db;
}

void BM_OpenTable(benchmark::State& state) {
  Ensure();
  for (auto _ : state) {
    Table t(Folder(), "AGENDA");
    t.Open();
    benchmark::DoNotOptimize(t.RecNo());
  }
}
BENCHMARK(BM_OpenTable)->Unit(benchmark::kMillisecond);

void BM_OpenTable_Sqlite(benchmark::State& state) {
  Ensure();
  for (auto _ : state) {
    sqlite3* db = OpenSqlite();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM agenda LIMIT 1", -1, &st, nullptr);
    sqlite3_step(st);
    sqlite3_finalize(st);
    sqlite3_close(db);
  }
}
BENCHMARK(BM_OpenTable_Sqlite)->Unit(benchmark::kMillisecond);

// One month from FECHA_INI with the subject and the notes of each record.
void BM_ReadMonth(benchmark::State& state) {
  Ensure();
  Table t(Folder(), "AGENDA");
  t.Open();
  t.SetIndexName("FECHA_INI");
  std::mt19937 rng(7);
  size_t rows = 0;
  for (auto _ : state) {
    const TDateTime from = kFirstDay + std::floor(std::uniform_real_distribution<double>(0, DaysSpan() - 31)(rng));
    size_t bytes = 0;
    for (t.FindNearest(from); !t.Eof() && t.FieldByName("FECHA_INI").AsDate() < from + 30; t.Next()) {
      bytes += t.FieldByName("ASUNTO").AsString().size() + t.FieldByName("NOTAS").AsString().size();
      ++rows;
    }
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ReadMonth)->Unit(benchmark::kMicrosecond);

void BM_ReadMonth_Sqlite(benchmark::State& state) {
  Ensure();
  sqlite3* db = OpenSqlite();
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT ASUNTO, NOTAS FROM agenda WHERE FECHA_INI >= ? AND FECHA_INI < ? ORDER BY FECHA_INI", -1,
                     &st, nullptr);
  std::mt19937 rng(7);
  size_t rows = 0;
  for (auto _ : state) {
    const TDateTime from = kFirstDay + std::floor(std::uniform_real_distribution<double>(0, DaysSpan() - 31)(rng));
    sqlite3_bind_double(st, 1, from);
    sqlite3_bind_double(st, 2, from + 30);
    size_t bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      bytes += std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))).size() +
               std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 1))).size();
      ++rows;
    }
    sqlite3_reset(st);
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
  sqlite3_finalize(st);
  sqlite3_close(db);
}
BENCHMARK(BM_ReadMonth_Sqlite)->Unit(benchmark::kMicrosecond);

void BM_FindKeyId(benchmark::State& state) {
  Ensure();
  Table t(Folder(), "AGENDA");
  t.Open();
  t.SetIndexName("ID");
  std::mt19937 rng(9);
  for (auto _ : state) benchmark::DoNotOptimize(t.FindKey(static_cast<int>(rng() % Records()) + 1));
}
BENCHMARK(BM_FindKeyId)->Unit(benchmark::kMicrosecond);

void BM_FindKeyId_Sqlite(benchmark::State& state) {
  Ensure();
  sqlite3* db = OpenSqlite();
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT * FROM agenda WHERE ID = ?", -1, &st, nullptr);
  std::mt19937 rng(9);
  for (auto _ : state) {
    sqlite3_bind_double(st, 1, static_cast<double>(rng() % Records() + 1));
    benchmark::DoNotOptimize(sqlite3_step(st));
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
}
BENCHMARK(BM_FindKeyId_Sqlite)->Unit(benchmark::kMicrosecond);

// Every record in file order, its ID read; bytes are those of the .DBF.
void BM_SequentialScan(benchmark::State& state) {
  Ensure();
  Table t(Folder(), "AGENDA");
  t.Open();
  const auto recordBytes = static_cast<std::int64_t>(std::filesystem::file_size(t.FilePath()));
  for (auto _ : state) {
    double sum = 0;
    for (t.First(); !t.Eof(); t.Next()) sum += t.FieldByNumber(0).AsFloat();
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * recordBytes);
}
BENCHMARK(BM_SequentialScan)->Unit(benchmark::kMillisecond);

void BM_SequentialScan_Sqlite(benchmark::State& state) {
  Ensure();
  sqlite3* db = OpenSqlite();
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT ID FROM agenda", -1, &st, nullptr);
  for (auto _ : state) {
    double sum = 0;
    while (sqlite3_step(st) == SQLITE_ROW) sum += sqlite3_column_double(st, 0);
    sqlite3_reset(st);
    benchmark::DoNotOptimize(sum);
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
}
BENCHMARK(BM_SequentialScan_Sqlite)->Unit(benchmark::kMillisecond);

// One bare write and fdatasync of a small file, timed on its own: what one
// sync costs at this moment (the disk's speed here varies with the load).
double TimedProbeSync(int fd) {
  char block[512] = {};
  const auto t0 = std::chrono::steady_clock::now();
  if (::pwrite(fd, block, sizeof block, 0) != sizeof block || ::fdatasync(fd) != 0) return 0;
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// One new appointment posted (and so synced) with both indexes. Between
// posts, outside the timing, one bare sync is timed so that the post's cost
// can be read in syncs of the same moment ("sync_ms").
void BM_AppendPostFlush(benchmark::State& state) {
  Ensure();
  Table t(Folder(), "AGENDA");
  t.Open();
  std::mt19937 rng(11);
  t.SetIndexName("ID");
  t.Last();
  int id = static_cast<int>(t.FieldByName("ID").AsInteger());
  const std::string probe = Folder() + "sync.probe";
  const int fd = ::open(probe.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  double syncMs = 0;
  for (auto _ : state) {
    Row r = MakeRow(rng, id++);
    t.Append();
    t.FieldByName("ID").SetAsInteger(r.id);
    t.FieldByName("FECHA_INI").SetAsDate(r.day);
    t.FieldByName("ASUNTO").SetAsString(r.asunto);
    t.FieldByName("NOTAS").SetAsString(r.notas);
    t.Post();
    t.FlushBuffers();
    state.PauseTiming();
    syncMs += TimedProbeSync(fd);
    state.ResumeTiming();
  }
  ::close(fd);
  std::filesystem::remove(probe);
  state.counters["sync_ms"] = benchmark::Counter(syncMs, benchmark::Counter::kAvgIterations);
  state.counters["posts"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AppendPostFlush)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AppendPostFlush_Sqlite(benchmark::State& state) {
  Ensure();
  sqlite3* db = OpenSqlite();
  sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO agenda(ID, FECHA_INI, ASUNTO, NOTAS) VALUES(?,?,?,?)", -1, &st, nullptr);
  std::mt19937 rng(12);
  int id = 0;
  {
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, "SELECT MAX(ID) FROM agenda", -1, &q, nullptr);
    sqlite3_step(q);
    id = sqlite3_column_int(q, 0);
    sqlite3_finalize(q);
  }
  for (auto _ : state) {
    Row r = MakeRow(rng, id++);
    sqlite3_bind_double(st, 1, r.id);
    sqlite3_bind_double(st, 2, r.day);
    sqlite3_bind_text(st, 3, r.asunto.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 4, r.notas.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  state.counters["posts"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AppendPostFlush_Sqlite)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor under a durable post on this disk, in this run: one small write
// and one fdatasync of one file.
void BM_Fdatasync(benchmark::State& state) {
  const std::string path = Folder() + "sync.probe";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  char block[512] = {};
  for (auto _ : state) {
    if (::pwrite(fd, block, sizeof block, 0) != sizeof block || ::fdatasync(fd) != 0) state.SkipWithError("sync failed");
  }
  ::close(fd);
  std::filesystem::remove(path);
}
BENCHMARK(BM_Fdatasync)->Unit(benchmark::kMillisecond);

// Both indexes rebuilt from the records (an open that finds the index file gone).
void BM_RebuildIndexes(benchmark::State& state) {
  Ensure();
  for (auto _ : state) {
    std::filesystem::remove(Folder() + "AGENDA.MDX");
    Table t(Folder(), "AGENDA");
    t.Open(OpenMode::Exclusive);
  }
}
BENCHMARK(BM_RebuildIndexes)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_RebuildIndexes_Sqlite(benchmark::State& state) {
  Ensure();
  sqlite3* db = OpenSqlite();
  for (auto _ : state) sqlite3_exec(db, "REINDEX agenda_id; REINDEX agenda_fecha;", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}
BENCHMARK(BM_RebuildIndexes_Sqlite)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
