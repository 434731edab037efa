#include "BenchData.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <vector>

#include "app/TableSchemas.h"
#include "data/Table.h"

namespace benchdata {
namespace {

const char* const kFrases[] = {
    "Reunión con el equipo de ventas", "Llamar al proveedor", "Revisión del presupuesto anual",
    "Comida con la familia", "Cita con el médico", "Entrega del informe trimestral", "Clase de inglés",
    "Visita a la obra", "Preparar la presentación", "Recoger a los niños", "Dentista",
    "Pagar el alquiler", "Entrevista de trabajo", "Partido de fútbol", "Curso de formación",
    "Renovar el pasaporte", "Cumpleaños de Ana", "Junta de vecinos", "Taller mecánico", "Viaje a Sevilla",
};
const char* const kTexto =
    "Recordar llevar la documentación completa y las copias firmadas. Confirmar la hora por teléfono "
    "el día anterior; si no contestan, enviar un correo a la dirección de siempre. Revisar los puntos "
    "pendientes de la última reunión: presupuesto, calendario de entregas, personal disponible y "
    "material. Aparcar en la calle de atrás porque la entrada principal está en obras. Preguntar por "
    "el informe del mes pasado y por la factura que sigue sin llegar.";

const int kAvisoMinutes[] = {0, 5, 10, 15, 30, 60, 120, 240, 480, 720};

struct Row {
  int id;
  int fechaIni, fechaFin;
  std::string horaIni, horaFin, asunto, lugar, notas;
  int aviso, tipo;
  int fAviso;
  std::string hAviso;
};

std::string Hhnn(int minuteOfDay) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d:%02d", minuteOfDay / 60, minuteOfDay % 60);
  return b;
}

// UTF-8 to the single-byte Latin-1 range the tables store (the texts here
// have no other characters).
std::string ToLatin1(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) out += static_cast<char>(c);
    else if ((c & 0xE0) == 0xC0 && i + 1 < s.size())
      out += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(s[++i]) & 0x3F));
  }
  return out;
}

class Generator {
 public:
  explicit Generator(int rows) : rows_(rows) {}
  Row Make(int i) {
    Row r;
    r.id = i + 1;
    const int first = static_cast<int>(kToday) - 29000;
    const int start = first + Rand(30440);
    const int startMin = Rand(23) * 60 + 15 * Rand(3);
    const int endAbs = startMin + 15 * Rand(32);
    r.fechaIni = start;
    r.horaIni = Hhnn(startMin);
    r.fechaFin = start + endAbs / 1440;
    r.horaFin = Hhnn(endAbs % 1440);
    r.asunto = kFrases[Rand(20)];
    r.lugar = kFrases[Rand(20)];
    const int len = static_cast<int>(std::strlen(kTexto));
    // Notes as long as the source field holds (254).
    r.notas = Rand(27) % 2 == 0 ? std::string(kTexto, static_cast<std::size_t>(Rand(std::min(len, 254)))) : std::string();
    r.tipo = Rand(6) - 1;
    const bool keepsReminder = start >= static_cast<int>(kToday) || Rand(500) == 0;
    r.aviso = keepsReminder ? Rand(10) : 0;
    const int due = start * 1440 + startMin - kAvisoMinutes[r.aviso];
    r.fAviso = due / 1440;
    r.hAviso = Hhnn(due % 1440);
    return r;
  }
  int Rows() const { return rows_; }

 private:
  int Rand(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
  int rows_;
  std::mt19937 rng_{20241};
};

// --- A plain dBase III file the engine copies from in one bulk append.

struct SrcField {
  const char* name;
  char type;
  int length;
};
const SrcField kSrc[] = {{"ID", 'N', 11},       {"FECHA_INI", 'D', 8}, {"FECHA_FIN", 'D', 8},
                         {"HORA_INI", 'C', 5},  {"HORA_FIN", 'C', 5},  {"ASUNTO", 'C', 60},
                         {"LUGAR", 'C', 60},    {"NOTAS", 'C', 254},   {"AVISO", 'N', 4},
                         {"TIPO", 'N', 4},      {"F_AVISO", 'D', 8},   {"H_AVISO", 'C', 5}};

void Put(std::string& rec, std::size_t& at, const std::string& value, int length, bool right) {
  std::string v = value.substr(0, static_cast<std::size_t>(length));
  const std::string pad(static_cast<std::size_t>(length) - v.size(), ' ');
  rec.replace(at, static_cast<std::size_t>(length), right ? pad + v : v + pad);
  at += static_cast<std::size_t>(length);
}

std::string DbfDate(int days) {
  int y, m, d;
  dt::DecodeDate(days, y, m, d);
  char b[12];
  std::snprintf(b, sizeof b, "%04d%02d%02d", y, m, d);
  return b;
}

void WriteSource(const std::string& path, Generator gen) {
  std::ofstream out(path, std::ios::binary);
  const int nf = static_cast<int>(std::size(kSrc));
  int recLen = 1;
  for (const auto& f : kSrc) recLen += f.length;
  std::string h(32, '\0');
  h[0] = 0x03;
  h[1] = 125;
  h[2] = 6;
  h[3] = 15;
  const auto n = static_cast<std::uint32_t>(gen.Rows());
  std::memcpy(&h[4], &n, 4);
  const auto headerLen = static_cast<std::uint16_t>(32 + 32 * nf + 1);
  std::memcpy(&h[8], &headerLen, 2);
  const auto rl = static_cast<std::uint16_t>(recLen);
  std::memcpy(&h[10], &rl, 2);
  h[29] = 0x57;  // ANSI (Windows-1252)
  for (const auto& f : kSrc) {
    std::string d(32, '\0');
    std::memcpy(&d[0], f.name, std::strlen(f.name));
    d[11] = f.type;
    d[16] = static_cast<char>(f.length);
    h += d;
  }
  h += '\x0D';
  out << h;
  std::string rec(static_cast<std::size_t>(recLen), ' ');
  for (int i = 0; i < gen.Rows(); ++i) {
    const Row r = gen.Make(i);
    std::size_t at = 1;
    Put(rec, at, std::to_string(r.id), 11, true);
    Put(rec, at, DbfDate(r.fechaIni), 8, false);
    Put(rec, at, DbfDate(r.fechaFin), 8, false);
    Put(rec, at, r.horaIni, 5, false);
    Put(rec, at, r.horaFin, 5, false);
    Put(rec, at, ToLatin1(r.asunto), 60, false);
    Put(rec, at, ToLatin1(r.lugar), 60, false);
    Put(rec, at, ToLatin1(r.notas), 254, false);
    Put(rec, at, std::to_string(r.aviso), 4, true);
    Put(rec, at, std::to_string(r.tipo), 4, true);
    Put(rec, at, DbfDate(r.fAviso), 8, false);
    Put(rec, at, r.hAviso, 5, false);
    out << rec;
  }
  out << '\x1A';
}

void Exec(sqlite3* db, const char* sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
    const std::string m = err ? err : "?";
    sqlite3_free(err);
    throw std::runtime_error(m);
  }
}

void WriteNative(const std::string& path, Generator gen) {
  std::filesystem::remove(path);
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  Exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN");
  Exec(db,
       "CREATE TABLE AGENDA(ID REAL, FECHA_INI DATE, FECHA_FIN DATE, HORA_INI TEXT, HORA_FIN TEXT, "
       "ASUNTO TEXT, LUGAR TEXT, NOTAS TEXT, AVISO REAL, TIPO REAL, F_AVISO DATE, H_AVISO TEXT);"
       "CREATE TABLE CATEGORIAS(ID INTEGER, CATEGORIA TEXT, COLOR INTEGER);");
  sqlite3_stmt* ins = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO AGENDA VALUES(?,?,?,?,?,?,?,?,?,?,?,?)", -1, &ins, nullptr);
  for (int i = 0; i < gen.Rows(); ++i) {
    const Row r = gen.Make(i);
    sqlite3_bind_double(ins, 1, r.id);
    sqlite3_bind_int(ins, 2, r.fechaIni);
    sqlite3_bind_int(ins, 3, r.fechaFin);
    sqlite3_bind_text(ins, 4, r.horaIni.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 5, r.horaFin.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 6, r.asunto.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 7, r.lugar.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 8, r.notas.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(ins, 9, r.aviso);
    sqlite3_bind_double(ins, 10, r.tipo);
    sqlite3_bind_int(ins, 11, r.fAviso);
    sqlite3_bind_text(ins, 12, r.hAviso.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(ins);
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  for (int c = 0; c < 5; ++c) {
    const std::string sql = "INSERT INTO CATEGORIAS VALUES(" + std::to_string(c) + ", 'Categoría " +
                            std::to_string(c) + "', " + std::to_string(c * 1000) + ")";
    Exec(db, sql.c_str());
  }
  Exec(db,
       "CREATE UNIQUE INDEX AGENDA_ID ON AGENDA(ID); CREATE INDEX AGENDA_FECHA_INI ON AGENDA(FECHA_INI);"
       "CREATE UNIQUE INDEX CATEGORIAS_ID ON CATEGORIAS(ID); CREATE INDEX CATEGORIAS_CATEGORIA ON "
       "CATEGORIAS(CATEGORIA); COMMIT; ANALYZE;");
  sqlite3_close(db);
}

void WriteDbase(const std::string& folder, int rows) {
  using namespace data;
  WriteSource(folder + "BENCHSRC.DBF", Generator(rows));
  {
    Table cats(folder, "CATEGORIAS");
    cats.Create(CategoriasFieldDefs(), CategoriasIndexDefs());
    cats.Open();
    for (int c = 0; c < 5; ++c) {
      cats.Append();
      cats.FieldByName("ID").SetAsInteger(c);
      cats.FieldByName("CATEGORIA").SetAsString("Categoría " + std::to_string(c));
      cats.FieldByName("COLOR").SetAsInteger(c * 1000);
      cats.Post();
    }
  }
  Table agenda(folder, "AGENDA");
  agenda.Create(AgendaFieldDefs(), AgendaIndexDefs());
  agenda.Open(OpenMode::Exclusive);
  {
    Table src(folder, "BENCHSRC");
    src.Open();
    agenda.AppendAllFrom(src);
  }
  agenda.Close();
  Table(folder, "BENCHSRC").DeleteTable();
}

}  // namespace

void EnsureData(const std::string& folder, int rows) {
  const std::string marker = folder + "complete-" + std::to_string(rows);
  if (std::filesystem::exists(marker)) return;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::fprintf(stderr, "Writing %d appointments to %s ...\n", rows, folder.c_str());
  WriteDbase(folder, rows);
  WriteNative(folder + "native.sqlite", Generator(rows));
  std::ofstream(marker) << "ok\n";
}

}  // namespace benchdata
