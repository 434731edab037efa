// Export and import of 10,000 appointments: writing the file of a data
// folder, and reading that file into an empty folder (reading, expanding and
// storing through the table's rules), as the dialogs and quillar-data run
// them. Half of the appointments have a reminder, a third a category.
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "data/Table.h"
#include "ical/IcalExport.h"
#include "ical/IcalImport.h"
#include "ical/IcalLector.h"

namespace {

constexpr int kCitas = 10000;
const TDate kPrimerDia = dt::EncodeDate(2026, 1, 1);

QString CarpetaNueva(QTemporaryDir& dir, const QString& nombre) {
  const QString folder = IncluirBarra(dir.filePath(nombre));
  QDir().mkpath(folder);
  CrearTablaAgenda(folder);
  CrearTablaCategorias(folder);
  return folder;
}

// The data folder is written once, outside the timing.
QString CarpetaConCitas(QTemporaryDir& dir) {
  const QString folder = CarpetaNueva(dir, QStringLiteral("origen"));
  data::Table t(folder.toStdString(), "AGENDA");
  t.Open(data::OpenMode::Exclusive);
  t.BeginBatch();
  for (int i = 0; i < kCitas; ++i) {
    const QString hora = QStringLiteral("%1:%2").arg(8 + i % 12, 2, 10, QLatin1Char('0')).arg(i % 4 * 15, 2, 10, QLatin1Char('0'));
    t.Append();
    t.FieldByName("ID").SetAsInteger(i + 1);
    t.FieldByName("FECHA_INI").SetAsDate(kPrimerDia + i / 14);
    t.FieldByName("FECHA_FIN").SetAsDate(kPrimerDia + i / 14);
    t.FieldByName("HORA_INI").SetAsString(hora.toStdString());
    t.FieldByName("HORA_FIN").SetAsString(hora.toStdString());
    t.FieldByName("ASUNTO").SetAsString(QStringLiteral("Cita número %1 con un asunto corriente").arg(i + 1).toStdString());
    t.FieldByName("LUGAR").SetAsString("Sala de reuniones");
    if (i % 5 == 0) t.FieldByName("NOTAS").SetAsString("Llevar el informe.\nConfirmar la asistencia.");
    t.FieldByName("AVISO").SetAsInteger(i % 2 ? 0 : 1 + i % 14);
    t.FieldByName("TIPO").SetAsInteger(i % 3 == 0 ? 0 : 7);
    RecalcularAviso(t);
    t.Post();
  }
  t.EndBatch();
  return folder;
}

QTemporaryDir& Dir() {
  static QTemporaryDir dir;
  return dir;
}

const QString& Origen() {
  static const QString folder = CarpetaConCitas(Dir());
  return folder;
}

void BM_Exportar10000(benchmark::State& state) {
  int n = 0;
  qsizetype bytes = 0;
  for (auto _ : state) {
    const QByteArray ics = ical::CalendarioIcal(Origen(), 0, 200000, -1, n);
    bytes = ics.size();
  }
  state.counters["citas"] = n;
  state.counters["KiB"] = static_cast<double>(bytes) / 1024;
}
BENCHMARK(BM_Exportar10000)->Unit(benchmark::kMillisecond);

void BM_Importar10000(benchmark::State& state) {
  int n = 0;
  const QByteArray ics = ical::CalendarioIcal(Origen(), 0, 200000, -1, n);
  int vez = 0, guardadas = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const QString destino = CarpetaNueva(Dir(), QStringLiteral("destino%1").arg(++vez));
    state.ResumeTiming();
    ical::TLectorIcal lector;
    lector.Leer(ics);
    const ical::TCitasLeidas leidas = lector.Citas(0, 200000);
    guardadas = ical::GuardarCitasIcal(destino, leidas.Citas, [](TDate, TDate) {}).Anadidas;
  }
  state.counters["citas"] = guardadas;
}
BENCHMARK(BM_Importar10000)->Unit(benchmark::kMillisecond);

// A second import of the same file: every event found, nothing written.
void BM_Reimportar10000(benchmark::State& state) {
  int n = 0;
  const QByteArray ics = ical::CalendarioIcal(Origen(), 0, 200000, -1, n);
  const QString destino = CarpetaNueva(Dir(), QStringLiteral("reimportar"));
  {
    ical::TLectorIcal lector;
    lector.Leer(ics);
    ical::GuardarCitasIcal(destino, lector.Citas(0, 200000).Citas, {});
  }
  int sinCambios = 0;
  for (auto _ : state) {
    ical::TLectorIcal lector;
    lector.Leer(ics);
    sinCambios = ical::GuardarCitasIcal(destino, lector.Citas(0, 200000).Citas, {}).SinCambios;
  }
  state.counters["sin_cambios"] = sinCambios;
}
BENCHMARK(BM_Reimportar10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
