#include "reports/PrintCommand.h"

#include <QDate>
#include <QGuiApplication>
#include <memory>

#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "reports/ReportOutput.h"
#include "reports/UqrAgendaFechas.h"

namespace reports {

namespace {

int Uso(std::ostream& err) {
  err << "uso: quillar-data print CARPETA DESDE HASTA SALIDA.pdf [--resumido] [--categoria ID]\n"
         "     (fechas AAAA-MM-DD)\n";
  return 1;
}

bool LeerFecha(const std::string& texto, TDate& fecha) {
  const QDate d = QDate::fromString(QString::fromStdString(texto), Qt::ISODate);
  if (!d.isValid()) return false;
  fecha = dt::EncodeDate(d.year(), d.month(), d.day());
  return true;
}

// Fonts and the PDF writer need a GUI application; a script has none.
std::unique_ptr<QGuiApplication> AplicacionGrafica() {
  if (QCoreApplication::instance()) return nullptr;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "quillar-data";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int PrintCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> pos;
  int formato = 0;
  int categoria = -1;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--resumido") {
      formato = 1;
    } else if (args[i] == "--categoria") {
      if (++i == args.size()) return Uso(err);
      bool ok = false;
      categoria = QString::fromStdString(args[i]).toInt(&ok);
      if (!ok || categoria < 0) return Uso(err);
    } else {
      pos.push_back(args[i]);
    }
  }
  TDate desde = 0, hasta = 0;
  if (pos.size() != 4 || !LeerFecha(pos[1], desde) || !LeerFecha(pos[2], hasta)) return Uso(err);
  if (hasta < desde) {
    err << "La fecha hasta debe ser mayor o igual que la fecha desde.\n";
    return 1;
  }

  const auto app = AplicacionGrafica();
  const TConfigAgenda guardada = ConfigAgenda;
  ConfigAgenda.DataPath = IncluirBarra(QString::fromStdString(pos[0]));
  bool listaPropia = false;
  int status = 0;
  try {
    if (ContarCitasEntre(desde, hasta) == 0) {
      err << "No hay datos entre las fechas indicadas\n";
      status = 1;
    } else {
      // The header names the category from the list, as in the program; a
      // script has none loaded, so one is loaded for this run.
      if (categoria > 0 && !Categorias) {
        Categorias = std::make_unique<TCategorias>();
        listaPropia = true;
        Categorias->Cargar();
      }
      const BandReport report = NuevoInformeFechas(formato, desde, hasta, categoria)->Preparar();
      SaveReportPdf(report, QString::fromStdString(pos[3]));
      out << pos[3] << ": " << report.PageCount() << (report.PageCount() == 1 ? " página\n" : " páginas\n");
    }
  } catch (const std::exception& e) {
    err << e.what() << "\n";
    status = 2;
  }
  if (listaPropia) Categorias.reset();
  ConfigAgenda = guardada;
  return status;
}

}  // namespace reports
