#include "tools/IcalCommands.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include "app/ALMailSlot.h"
#include "app/AvisoCambio.h"
#include "app/UAgendaUtil.h"
#include "core/Clock.h"
#include "data/Table.h"
#include "ical/IcalExport.h"
#include "ical/IcalImport.h"
#include "ical/IcalLector.h"

namespace {

int Uso(QTextStream& err) {
  err << "uso: quillar-data export-ics CARPETA FICHERO.ics [DESDE HASTA] [--categoria ID]\n"
         "       quillar-data import-ics CARPETA FICHERO.ics\n"
         "     (fechas AAAA-MM-DD)\n";
  return 1;
}

bool LeerFecha(const QString& texto, TDate& fecha) {
  const QDate d = QDate::fromString(texto, Qt::ISODate);
  if (!d.isValid()) return false;
  fecha = dt::EncodeDate(d.year(), d.month(), d.day());
  return true;
}

QString Lineas(QString texto) { return texto.replace(QLatin1String("\r\n"), QLatin1String("\n")); }

bool HayTablas(const QString& carpeta, QTextStream& err) {
  for (const char* t : {"AGENDA.DBF", "CATEGORIAS.DBF"})
    if (!data::Table(carpeta.toStdString(), t).Exists()) {
      err << "quillar-data: no se encuentra " << carpeta << t << "\n";
      return false;
    }
  return true;
}

int Exportar(const QStringList& args, QTextStream& out, QTextStream& err) {
  QStringList pos;
  int categoria = -1;
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--categoria")) {
      bool ok = false;
      if (++i == args.size() || (categoria = args[i].toInt(&ok), !ok) || categoria < 0) return Uso(err);
    } else {
      pos << args[i];
    }
  }
  TDate desde = dt::EncodeDate(1, 1, 1), hasta = dt::EncodeDate(9999, 12, 31);
  if (pos.size() == 4) {
    if (!LeerFecha(pos[2], desde) || !LeerFecha(pos[3], hasta)) return Uso(err);
    if (hasta < desde) {
      err << "La fecha hasta debe ser mayor o igual que la fecha desde.\n";
      return 1;
    }
  } else if (pos.size() != 2) {
    return Uso(err);
  }
  const QString carpeta = IncluirBarra(QDir(pos[0]).absolutePath());
  if (!HayTablas(carpeta, err)) return 2;
  int cuantas = 0;
  QString error;
  if (!ical::ExportarIcal(carpeta, pos[1], desde, hasta, categoria, cuantas, error)) {
    err << Lineas(error) << "\n";
    return 2;
  }
  out << pos[1] << ": " << cuantas << (cuantas == 1 ? " cita\n" : " citas\n");
  return 0;
}

int Importar(const QStringList& args, QTextStream& out, QTextStream& err) {
  if (args.size() != 3) return Uso(err);
  const QString carpeta = IncluirBarra(QDir(args[1]).absolutePath());
  if (!HayTablas(carpeta, err)) return 2;
  QFile f(args[2]);
  if (!f.open(QIODevice::ReadOnly)) {
    err << "quillar-data: no se puede leer " << args[2] << ": " << f.errorString() << "\n";
    return 2;
  }
  ical::TLectorIcal lector;
  if (lector.Leer(f.readAll()) != ical::TLectorIcal::Leido) {
    err << Lineas(lector.Error()) << "\nNo se ha guardado nada.\n";
    return 1;
  }
  TDate desde, hasta;
  ical::IntervaloPorDefecto(Clock::Today(), desde, hasta);
  const ical::TCitasLeidas leidas = lector.Citas(desde, hasta);
  TALMailSlot buzon;
  buzon.SetMailBox(kBuzonAvisos);
  const ical::TResumenImportacion r = ical::GuardarCitasIcal(
      carpeta, leidas.Citas, [&buzon](TDate a, TDate b) { EnviarAviso(buzon, TextoCambio(a, b)); });
  out << Lineas(ical::TextoResumen(r, leidas.Omitidos)) << "\n";
  return 0;
}

}  // namespace

bool IsIcalCommand(const QString& command) {
  return command == QLatin1String("export-ics") || command == QLatin1String("import-ics");
}

int RunIcalCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
  try {
    return args[0] == QLatin1String("export-ics") ? Exportar(args, out, err) : Importar(args, out, err);
  } catch (const std::exception& e) {
    err << "quillar-data: " << QString::fromUtf8(e.what()) << "\n";
    return 2;
  }
}
