// A "Resumido" report of 5,000 appointments: laying it out and writing the
// PDF from rows in memory, and the whole way from the data folder (query,
// layout, PDF) as the print dialog and quillar-data print run it.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "data/Table.h"
#include "reports/ReportLayouts.h"
#include "reports/ReportOutput.h"
#include "reports/UqrAgendaFechas.h"

namespace {

constexpr int kCitas = 5000;
const TDate kPrimerDia = dt::EncodeDate(2024, 1, 1);

reports::CitaRow Fila(int i) {
  reports::CitaRow c;
  c.ID = i + 1;
  c.FechaIni = c.FechaFin = kPrimerDia + i / 14;
  c.HoraIni = QStringLiteral("%1:%2").arg(8 + i % 12, 2, 10, QLatin1Char('0')).arg(i % 4 * 15, 2, 10, QLatin1Char('0'));
  c.HoraFin = c.HoraIni;
  c.Asunto = QStringLiteral("Cita número %1 con un asunto de longitud corriente").arg(i + 1);
  c.Tipo = i % 3;
  c.Categoria = c.Tipo ? QStringLiteral("Categoría %1").arg(c.Tipo) : QString();
  return c;
}

QString Salida() { return QDir::temp().filePath(QStringLiteral("bench_resumen.pdf")); }

void BM_ResumenDesdeFilas(benchmark::State& state) {
  std::vector<reports::CitaRow> rows;
  for (int i = 0; i < kCitas; ++i) rows.push_back(Fila(i));
  const reports::CabeceraFechas cab{QStringLiteral("01/01/2024"), QStringLiteral("31/12/2024"), QStringLiteral("(Todas)")};
  int pages = 0;
  for (auto _ : state) {
    const reports::BandReport r = reports::LayoutAgendaFechasResumen(rows, cab, 0);
    reports::SaveReportPdf(r, Salida());
    pages = r.PageCount();
  }
  state.counters["paginas"] = pages;
}
BENCHMARK(BM_ResumenDesdeFilas)->Unit(benchmark::kMillisecond);

// The data folder is written once, outside the timing.
QString CarpetaConCitas() {
  static QTemporaryDir dir;
  static bool hecha = false;
  const QString folder = dir.path() + QLatin1Char('/');
  if (!hecha) {
    CrearTablaAgenda(folder);
    CrearTablaCategorias(folder);
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open(data::OpenMode::Exclusive);
    for (int i = 0; i < kCitas; ++i) {
      const reports::CitaRow c = Fila(i);
      t.Append();
      t.FieldByName("ID").SetAsInteger(c.ID);
      t.FieldByName("FECHA_INI").SetAsDate(c.FechaIni);
      t.FieldByName("FECHA_FIN").SetAsDate(c.FechaFin);
      t.FieldByName("HORA_INI").SetAsString(c.HoraIni.toStdString());
      t.FieldByName("HORA_FIN").SetAsString(c.HoraFin.toStdString());
      t.FieldByName("ASUNTO").SetAsString(c.Asunto.toStdString());
      t.FieldByName("TIPO").SetAsInteger(0);
      t.Post();
    }
    hecha = true;
  }
  return folder;
}

void BM_ResumenDesdeCarpeta(benchmark::State& state) {
  ConfigAgenda.DataPath = CarpetaConCitas();
  int pages = 0;
  for (auto _ : state) {
    const reports::BandReport r =
        NuevoInformeFechas(1, kPrimerDia, kPrimerDia + 400, -1)->Preparar();
    reports::SaveReportPdf(r, Salida());
    pages = r.PageCount();
  }
  state.counters["paginas"] = pages;
}
BENCHMARK(BM_ResumenDesdeCarpeta)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
