// Exporting: what other programs read of our files, and the round trip.
#include <QProcess>
#include <QRegularExpression>

#include "IcalFixture.h"
#include "ical/IcalExport.h"

namespace {

struct Cita {
  int id;
  TDate fechaIni;
  const char* horaIni;
  TDate fechaFin;
  const char* horaFin;
  const char* asunto;
  const char* lugar;
  const char* notas;
  int aviso;
  int tipo;
};

void Guardar(const QString& folder, const Cita& c) {
  data::Table t(folder.toStdString(), "AGENDA");
  t.Open();
  t.Append();
  t.FieldByName("ID").SetAsInteger(c.id);
  t.FieldByName("FECHA_INI").SetAsDate(c.fechaIni);
  t.FieldByName("HORA_INI").SetAsString(c.horaIni);
  t.FieldByName("FECHA_FIN").SetAsDate(c.fechaFin);
  t.FieldByName("HORA_FIN").SetAsString(c.horaFin);
  t.FieldByName("ASUNTO").SetAsString(c.asunto);
  t.FieldByName("LUGAR").SetAsString(c.lugar);
  t.FieldByName("NOTAS").SetAsString(c.notas);
  t.FieldByName("AVISO").SetAsInteger(c.aviso);
  t.FieldByName("TIPO").SetAsInteger(c.tipo);
  RecalcularAviso(t);
  ASSERT_TRUE(t.Post());
}

const TDate kMarzo10 = dt::EncodeDate(2026, 3, 10);
const TDate kJulio15 = dt::EncodeDate(2026, 7, 15);

class IcalExportTest : public IcalTest {
 protected:
  void SetUp() override {
    IcalTest::SetUp();
    for (const Cita& c : {
             Cita{1, kMarzo10, "10:00", kMarzo10, "11:30", "Dentista", "Calle Mayor, 3", "", 5, 2},
             Cita{2, kJulio15, "18:30", kJulio15 + 1, "09:00", "Viaje; nocturno", "", "Billetes\r\nen el bolso, \\ y ;", 10, 1},
             Cita{3, kJulio15, "00:00", kJulio15 + 3, "00:00", "Vacaciones", "", "", 0, 7},
             Cita{4, kMarzo10 - 400, "08:00", kMarzo10 - 400, "08:15", "Antigua", "", "", 1, 1},
         })
      Guardar(folder, c);
  }
  QByteArray Exportar(const QString& carpeta, TDate desde = 0, TDate hasta = 200000, int categoria = -1) {
    int n = 0;
    return ical::CalendarioIcal(carpeta, desde, hasta, categoria, n);
  }
};

QStringList Uids(const QByteArray& ics) {
  QStringList r;
  const auto it = QRegularExpression(QStringLiteral("^UID:(.*)\\r$"), QRegularExpression::MultilineOption)
                      .globalMatch(QString::fromUtf8(ics));
  for (auto i = it; i.hasNext();) r << i.next().captured(1);
  return r;
}

TEST_F(IcalExportTest, PythonIcalendarReadsTheZoneTimesTextsCategoriesAndAlarms) {
  const QString fichero = dir.filePath(QStringLiteral("agenda.ics"));
  int n = 0;
  QString error;
  ASSERT_TRUE(ical::ExportarIcal(folder, fichero, 0, 200000, -1, n, error)) << error.toStdString();
  EXPECT_EQ(n, 4);
  QProcess py;
  py.start(QStringLiteral("/usr/bin/python3"),
           {QStringLiteral("-c"), QStringLiteral(R"(
import sys, datetime, icalendar
cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
print('zonas', [str(z['TZID']) for z in cal.walk('VTIMEZONE')])
def t(v):
    v = v.dt
    if isinstance(v, datetime.datetime):
        return str(v.tzinfo.zone) + ' ' + v.astimezone(datetime.timezone.utc).strftime('%Y-%m-%d %H:%MZ')
    return 'dia ' + v.isoformat()
for e in cal.walk('VEVENT'):
    alarmas = [int(a.decoded('TRIGGER').total_seconds()) for a in e.walk('VALARM')]
    print(t(e['DTSTART']), '|', t(e['DTEND']), '|', e['SUMMARY'], '|', e.get('LOCATION', ''), '|',
          repr(str(e.get('DESCRIPTION', ''))), '|', [str(c) for c in e['CATEGORIES'].cats], '|', alarmas)
)"),
            fichero});
  ASSERT_TRUE(py.waitForFinished(30000));
  const QString salida = QString::fromUtf8(py.readAllStandardOutput() + py.readAllStandardError());
  EXPECT_EQ(salida.split(u'\n', Qt::SkipEmptyParts),
            (QStringList{
                "zonas ['Europe/Madrid']",
                "Europe/Madrid 2025-02-03 07:00Z | Europe/Madrid 2025-02-03 07:15Z | Antigua |  | '' | ['Trabajo'] | [-300]",
                "Europe/Madrid 2026-03-10 09:00Z | Europe/Madrid 2026-03-10 10:30Z | Dentista | Calle Mayor, 3 | '' | "
                "['Casa'] | [-3600]",
                "dia 2026-07-15 | dia 2026-07-18 | Vacaciones |  | '' | ['Normal'] | []",
                "Europe/Madrid 2026-07-15 16:30Z | Europe/Madrid 2026-07-16 07:00Z | Viaje; nocturno |  | "
                "'Billetes\\nen el bolso, \\\\ y ;' | ['Trabajo'] | [-86400]",
            }));
}

TEST_F(IcalExportTest, RoundTripGivesTheSameAppointmentsAndKeepsTheUids) {
  const QByteArray exportado = Exportar(folder);
  const QString otra = NuevaCarpeta(dir, QStringLiteral("otra"));
  const auto r = Importar(exportado, otra);
  EXPECT_EQ(r.Anadidas, 4);
  // Notes travel with plain line breaks, and a category that no longer
  // exists travels as "Normal", as the program shows it.
  QStringList esperadas = Citas(folder);
  esperadas.replaceInStrings(QStringLiteral("\r\\n"), QStringLiteral("\\n"));
  esperadas.replaceInStrings(QStringLiteral("tipo 7"), QStringLiteral("tipo 0"));
  EXPECT_EQ(Citas(otra), esperadas);
  // Exported again, the imported appointments keep the UIDs they came with.
  const QByteArray otraVez = Exportar(otra);
  EXPECT_EQ(Uids(otraVez), Uids(exportado));
  EXPECT_EQ(Importar(otraVez, otra).Anadidas, 0);
  // The folder's own UIDs are stable from one export to the next, and
  // differ from those of another folder.
  EXPECT_EQ(Uids(Exportar(folder)), Uids(exportado));
  Guardar(otra, Cita{9, kMarzo10, "12:00", kMarzo10, "13:00", "Nueva", "", "", 0, 0});
  const QStringList propios = Uids(Exportar(otra)).filter(QStringLiteral("9-"));
  ASSERT_EQ(propios.size(), 1);
  EXPECT_FALSE(Uids(exportado).contains(propios[0]));
}

TEST_F(IcalExportTest, ExpandedOccurrencesGoOutWithTheirSeriesUidAndStart) {
  const QString otra = NuevaCarpeta(dir, QStringLiteral("otra"));
  Importar(Fixture("otro-programa.ics"), otra);
  const QByteArray exportado = Exportar(otra);
  EXPECT_EQ(Uids(exportado).filter(QStringLiteral("semanal@otro.example")).size(), 4);
  EXPECT_TRUE(exportado.contains("RECURRENCE-ID;TZID=Europe/Madrid:20260312T140000"));
  // And they come back as the same four appointments, not four more.
  EXPECT_EQ(Importar(exportado, otra).Anadidas, 0);
  const QString tercera = NuevaCarpeta(dir, QStringLiteral("tercera"));
  Importar(exportado, tercera);
  EXPECT_EQ(Citas(tercera), Citas(otra));
}

TEST_F(IcalExportTest, TheRangeAndTheCategoryChooseWhatIsWritten) {
  struct Caso {
    TDate desde, hasta;
    int categoria;
    QStringList asuntos;
  } casos[] = {
      {kMarzo10, kJulio15, -1, {"SUMMARY:Dentista", "SUMMARY:Vacaciones", "SUMMARY:Viaje\\; nocturno"}},
      {kMarzo10, kJulio15, 1, {"SUMMARY:Viaje\\; nocturno"}},
      {0, 200000, 1, {"SUMMARY:Antigua", "SUMMARY:Viaje\\; nocturno"}},
      {kMarzo10 + 1, kJulio15 - 1, -1, {}},
  };
  for (const Caso& c : casos) {
    int n = -1;
    const QString ics = QString::fromUtf8(ical::CalendarioIcal(folder, c.desde, c.hasta, c.categoria, n));
    QStringList asuntos;
    for (const QString& l : ics.split(QStringLiteral("\r\n")))
      if (l.startsWith(QStringLiteral("SUMMARY:"))) asuntos << l;
    EXPECT_EQ(asuntos, c.asuntos);
    EXPECT_EQ(n, c.asuntos.size());
  }
}

}  // namespace
