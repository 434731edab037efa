// Importing files as other calendar programs write them.
#include <QProcess>

#include "IcalFixture.h"

namespace {

using ical::TLectorIcal;

// Times in Madrid: New York is 6 hours behind until 08/03/2026, then 5 (its
// summer time) until Madrid's own starts on 29/03/2026, then 6 again.
const QStringList kEsperadas = {
    "05/03/2026 15:00 -> 05/03/2026 15:30 | Reunión semanal |  |  | aviso 0 tipo 0 | 05/03/2026 15:00",
    "05/03/2026 15:00 -> 05/03/2026 16:30 | Llamada con Nueva York | Oficina, planta 2 | Primera línea\\nSegunda "
    "línea | aviso 3 tipo 1 | 05/03/2026 14:45",
    "10/03/2026 09:00 -> 10/03/2026 10:00 | Desayuno |  |  | aviso 0 tipo 0 | 10/03/2026 09:00",
    "11/03/2026 18:00 -> 11/03/2026 19:00 | Hora sin zona |  |  | aviso 0 tipo 0 | 11/03/2026 18:00",
    "12/03/2026 10:00 -> 12/03/2026 11:00 | Zona con nombre de Windows |  |  | aviso 0 tipo 0 | 12/03/2026 10:00",
    "12/03/2026 14:00 -> 12/03/2026 14:30 | Reunión semanal |  |  | aviso 0 tipo 0 | 12/03/2026 14:00",
    "20/03/2026 00:00 -> 22/03/2026 00:00 | Congreso |  |  | aviso 10 tipo 0 | 19/03/2026 00:00",
    "26/03/2026 14:00 -> 26/03/2026 14:30 | Reunión semanal |  |  | aviso 0 tipo 0 | 26/03/2026 14:00",
    "02/04/2026 15:00 -> 02/04/2026 15:30 | Reunión semanal |  |  | aviso 0 tipo 0 | 02/04/2026 15:00",
};

TEST_F(IcalTest, AnotherProgramsFileGivesTheLocalAppointmentsAndCountsWhatItSkips) {
  ical::TOmitidos omitidos;
  const auto r = Importar(Fixture("otro-programa.ics"), folder, &omitidos);
  EXPECT_EQ(Citas(folder), kEsperadas);
  EXPECT_EQ(r.Anadidas, 9);
  EXPECT_EQ(omitidos.Tareas, 1);
  EXPECT_EQ(omitidos.Diario, 1);
  EXPECT_EQ(omitidos.SinInicio, 1);
  EXPECT_EQ(omitidos.Total(), 3);
  // One notice for everything stored, naming its first and last day.
  EXPECT_EQ(avisos, QStringList{"05/03/2026-02/04/2026"});
  const QString resumen = ical::TextoResumen(r, omitidos);
  for (const char* s : {"Citas añadidas: 9", "Citas actualizadas: 0", "Omitidos: 3", "1 tarea (VTODO)",
                        "1 nota de diario (VJOURNAL)", "1 evento sin fecha de inicio"})
    EXPECT_TRUE(resumen.contains(QString::fromUtf8(s))) << s << "\n" << resumen.toStdString();
}

TEST_F(IcalTest, ASecondImportAddsNothingAndUpdatesOnlyTheEventsThatChanged) {
  const QByteArray original = Fixture("otro-programa.ics");
  Importar(original, folder);
  const QStringList primera = Citas(folder);

  auto r = Importar(original, folder);
  EXPECT_EQ(r.Anadidas, 0);
  EXPECT_EQ(r.Actualizadas, 0);
  EXPECT_EQ(r.SinCambios, 9);
  EXPECT_EQ(Citas(folder), primera);
  EXPECT_TRUE(avisos.size() == 1) << "nothing changed, nothing announced";

  // The user edits one appointment; the file changes another event.
  {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    for (t.First(); !t.Eof(); t.Next())
      if (t.FieldByName("ASUNTO").AsString() == "Desayuno") {
        t.Edit();
        t.FieldByName("LUGAR").SetAsString("Cafetería");
        ASSERT_TRUE(t.Post());
      }
  }
  QByteArray cambiado = original;
  cambiado.replace("SUMMARY:Hora sin zona", "SUMMARY:Hora sin zona (cambiada)");
  r = Importar(cambiado, folder);
  EXPECT_EQ(r.Anadidas, 0);
  EXPECT_EQ(r.Actualizadas, 1);
  EXPECT_EQ(r.SinCambios, 8);
  const QStringList ahora = Citas(folder);
  EXPECT_EQ(ahora.size(), 9);
  EXPECT_TRUE(ahora.filter("Hora sin zona (cambiada)").size() == 1);
  EXPECT_TRUE(ahora.filter("Desayuno | Cafetería").size() == 1) << "an unchanged event keeps the user's edit";
  EXPECT_EQ(avisos.last(), "11/03/2026-11/03/2026");
}

TEST_F(IcalTest, AnAppointmentDeletedSinceItsImportComesBack) {
  const QByteArray original = Fixture("otro-programa.ics");
  Importar(original, folder);
  {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    for (t.First(); !t.Eof(); t.Next())
      if (t.FieldByName("ASUNTO").AsString() == "Congreso") t.Delete();
  }
  const auto r = Importar(original, folder);
  EXPECT_EQ(r.Anadidas, 1);
  EXPECT_EQ(Citas(folder), kEsperadas);
}

TEST_F(IcalTest, StoredAppointmentsKeepTheTableRules) {
  Importar(Fixture("otro-programa.ics"), folder);
  // IDs 1..9 as new appointments get them, and every index agrees.
  data::Table t(folder.toStdString(), "AGENDA");
  t.Open();
  t.SetIndexName("ID");
  int esperado = 1;
  for (t.First(); !t.Eof(); t.Next()) EXPECT_EQ(t.FieldByName("ID").AsInteger(), esperado++);
  EXPECT_TRUE(t.Verify().empty());
  EXPECT_EQ(Registros(folder, "ICALUID"), 9);
}

TEST_F(IcalTest, RepeatingEventsAreExpandedOnlyInsideTheWindow) {
  const QByteArray datos =
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:siempre\r\nDTSTART:20200106T100000\r\n"
      "DTEND:20200106T110000\r\nRRULE:FREQ=WEEKLY;BYDAY=MO\r\nSUMMARY:Cada lunes\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:antiguo\r\nDTSTART:20100104T100000\r\nRRULE:FREQ=DAILY;COUNT=3\r\nSUMMARY:Viejo\r\n"
      "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:suelto\r\nDTSTART:20100104T100000\r\nSUMMARY:Suelto antiguo\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:rdate\r\nDTSTART:20260302T080000\r\nRDATE:20260304T080000,20260306T080000\r\n"
      "EXDATE:20260302T080000\r\nSUMMARY:Fechas sueltas\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
  TLectorIcal lector;
  ASSERT_EQ(lector.Leer(datos), TLectorIcal::Leido) << lector.Error().toStdString();
  const auto contar = [&](TDate desde, TDate hasta, const char* asunto) {
    const auto l = lector.Citas(desde, hasta);
    return std::count_if(l.Citas.begin(), l.Citas.end(), [&](const TCitaIcal& c) { return c.Asunto == asunto; });
  };
  TDate desde, hasta;
  ical::IntervaloPorDefecto(Clock::Today(), desde, hasta);
  EXPECT_EQ(desde, dt::EncodeDate(2025, 3, 10));
  EXPECT_EQ(hasta, dt::EncodeDate(2028, 3, 10));
  // Mondays from 10/03/2025 to 06/03/2028.
  EXPECT_EQ(contar(desde, hasta, "Cada lunes"), 157);
  EXPECT_EQ(contar(dt::EncodeDate(2026, 3, 1), dt::EncodeDate(2026, 3, 31), "Cada lunes"), 5);
  EXPECT_EQ(contar(desde, hasta, "Viejo"), 0);
  EXPECT_EQ(lector.Citas(desde, hasta).Omitidos.FueraIntervalo, 1);
  EXPECT_EQ(contar(desde, hasta, "Suelto antiguo"), 1) << "the window is for repeating events only";
  const auto l = lector.Citas(desde, hasta);
  QStringList rdate;
  for (const TCitaIcal& c : l.Citas)
    if (c.Asunto == "Fechas sueltas") rdate << c.Ocurrencia;
  EXPECT_EQ(rdate, (QStringList{"20260304T080000", "20260306T080000"}));
}

TEST_F(IcalTest, RulesWithoutEndAreBoundedByTheWindowAndThePerEventLimit) {
  const TDate desde = dt::EncodeDate(2026, 1, 1), hasta = dt::EncodeDate(2027, 12, 31);
  struct Caso {
    const char* dtstart;
    const char* rrule;
    size_t citas;
    int recortados, fuera;
  } casos[] = {
      {"20260310T100000", "FREQ=MINUTELY", ical::kMaxOcurrencias, 1, 0},
      {"20260310T100000", "FREQ=MINUTELY;COUNT=4000000", ical::kMaxOcurrencias, 1, 0},
      {"19000101T000000", "FREQ=MINUTELY", ical::kMaxOcurrencias, 1, 0},  // from the window on, not from 1900
      {"19000101T000000", "FREQ=SECONDLY;COUNT=4000000", 0, 0, 1},  // the steps end long before the window
      {"20200101T090000", "FREQ=WEEKLY;BYDAY=TU", 104, 0, 0},
      {"20260310T100000", "FREQ=DAILY;UNTIL=20260312T100000Z", 3, 0, 0},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.rrule);
    const QByteArray datos = QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:r\r\nDTSTART:") +
                             c.dtstart + "\r\nRRULE:" + c.rrule + "\r\nSUMMARY:x\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    TLectorIcal lector;
    ASSERT_EQ(lector.Leer(datos), TLectorIcal::Leido) << lector.Error().toStdString();
    const auto l = lector.Citas(desde, hasta);
    EXPECT_EQ(l.Citas.size(), c.citas);
    EXPECT_EQ(l.Omitidos.Recortados, c.recortados);
    EXPECT_EQ(l.Omitidos.FueraIntervalo, c.fuera);
    EXPECT_EQ(ical::TextoPrevio(l).contains(QStringLiteral("más de 10.000 veces")), c.recortados > 0);
  }
}

TEST_F(IcalTest, TimesTheTableCannotHoldSkipTheEventAndAnEndBeforeTheStartIsTheStart) {
  struct Caso {
    const char* tiempos;
    int citas, fechaNoValida;
  } casos[] = {
      {"DTSTART;VALUE=DATE:20260231", 0, 1},
      {"DTSTART:99991231T100000\r\nDURATION:P3D", 0, 1},
      {"DTSTART:99991231T100000\r\nDTEND:99991231T110000", 1, 0},
      {"DTSTART:20260310T100000\r\nDTEND:20260309T100000", 1, 0},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.tiempos);
    const QByteArray datos = QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:f\r\n") + c.tiempos +
                             "\r\nSUMMARY:x\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    TLectorIcal lector;
    ASSERT_EQ(lector.Leer(datos), TLectorIcal::Leido) << lector.Error().toStdString();
    const auto l = lector.Citas(0, 3000000);
    ASSERT_EQ(static_cast<int>(l.Citas.size()), c.citas);
    EXPECT_EQ(l.Omitidos.FechaNoValida, c.fechaNoValida);
    if (c.citas) {
      EXPECT_GE(l.Citas[0].Fin, l.Citas[0].Inicio);
    }
    // What is left is stored without an engine error.
    QTemporaryDir otro;
    const auto r = ical::GuardarCitasIcal(NuevaCarpeta(otro), l.Citas, {});
    EXPECT_EQ(r.Anadidas, c.citas);
  }
}

TEST_F(IcalTest, TheFirstAlarmGivesTheNearestReminderChoice) {
  struct Caso {
    const char* alarma;
    int aviso;
  } casos[] = {
      {"", 0},
      {"TRIGGER:-PT5M", 1},
      {"TRIGGER:PT0S", 1},
      {"TRIGGER:-PT45M", 4},  // as far from 30 minutes as from 1 hour: the shorter
      {"TRIGGER:-PT50M", 5},
      {"TRIGGER:-P1W", 13},
      {"TRIGGER:-P30D", 14},
      {"TRIGGER;RELATED=END:-PT90M", 4},  // the event lasts an hour
      {"TRIGGER;VALUE=DATE-TIME:20260310T070000Z", 6},  // 2 hours before 10:00 in Madrid
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.alarma);
    QByteArray datos = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:a\r\nDTSTART:20260310T100000\r\n"
                       "DTEND:20260310T110000\r\nSUMMARY:x\r\n";
    if (*c.alarma) datos += QByteArray("BEGIN:VALARM\r\nACTION:AUDIO\r\n") + c.alarma + "\r\nEND:VALARM\r\n";
    datos += "END:VEVENT\r\nEND:VCALENDAR\r\n";
    TLectorIcal lector;
    ASSERT_EQ(lector.Leer(datos), TLectorIcal::Leido) << lector.Error().toStdString();
    const auto l = lector.Citas(0, 100000);
    ASSERT_EQ(l.Citas.size(), 1u);
    EXPECT_EQ(l.Citas[0].Aviso, c.aviso);
  }
}

TEST_F(IcalTest, ZonesAreResolvedThroughTheZoneDatabaseAndAnUnknownOneIsWarnedOf) {
  struct Caso {
    const char* tzid;
    const char* hora;  // 10:00 in that zone, in Madrid
    int desconocidas;
  } casos[] = {
      {"America/New_York", "15:00", 0},
      {"/mozilla.org/20050126_1/America/New_York", "15:00", 0},
      {"/freeassociation.sourceforge.net/Tzfile/Asia/Tokyo", "02:00", 0},
      {"Marte/Olympus_Mons", "10:00", 1},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.tzid);
    const QByteArray datos = QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:z\r\nDTSTART;TZID=") +
                             c.tzid + ":20260310T100000\r\nSUMMARY:x\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    TLectorIcal lector;
    ASSERT_EQ(lector.Leer(datos), TLectorIcal::Leido) << lector.Error().toStdString();
    const auto l = lector.Citas(0, 100000);
    ASSERT_EQ(l.Citas.size(), 1u);
    EXPECT_EQ(HoraTexto(l.Citas[0].Inicio), QLatin1String(c.hora));
    EXPECT_EQ(l.Omitidos.ZonaDesconocida, c.desconocidas);
    EXPECT_EQ(l.Omitidos.Total(), 0) << "the event is stored all the same";
    EXPECT_EQ(ical::TextoResumen({}, l.Omitidos).contains(QStringLiteral("zona horaria desconocida")), c.desconocidas > 0);
    EXPECT_EQ(ical::TextoPrevio(l).contains(QStringLiteral("zona horaria desconocida")), c.desconocidas > 0);
  }
}

TEST_F(IcalTest, AMalformedFileNamesTheLineAndStoresNothing) {
  const QByteArray bueno = Fixture("otro-programa.ics");
  struct Caso {
    const char* nombre;
    QByteArray datos;
    int linea;
  } casos[] = {
      {"cut in the middle", bueno.left(bueno.indexOf("SUMMARY:Desayuno")), 54},
      {"a line without name", QByteArray(bueno).replace("SUMMARY:Congreso", "Congreso sin nombre"), 62},
      {"components crossed", QByteArray(bueno).replace("END:VALARM\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:semanal",
                                                        "END:VEVENT\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:semanal"),
       39},
      {"a time that is none", QByteArray(bueno).replace("DTSTART:20260310T080000Z", "DTSTART:mañana"), 53},
      {"not a calendar", "Hola\r\n", 1},
      {"empty", "", 1},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    TLectorIcal lector;
    EXPECT_EQ(lector.Leer(c.datos), TLectorIcal::Malformado);
    EXPECT_EQ(lector.LineaError(), c.linea) << lector.Error().toStdString();
    EXPECT_TRUE(lector.Error().contains(QStringLiteral("línea %1").arg(c.linea))) << lector.Error().toStdString();
    EXPECT_TRUE(lector.Citas(0, 100000).Citas.empty()) << "a malformed file gives nothing to store";
  }
}

TEST_F(IcalTest, CancellingStopsBetweenAppointmentsAndTheNextImportGoesOn) {
  QByteArray datos = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
  for (int i = 0; i < 200; ++i)
    datos += "BEGIN:VEVENT\r\nUID:e" + QByteArray::number(i) + "\r\nDTSTART:20260310T100000\r\nSUMMARY:x\r\nEND:VEVENT\r\n";
  datos += "END:VCALENDAR\r\n";
  TLectorIcal lector;
  ASSERT_EQ(lector.Leer(datos), TLectorIcal::Leido);
  const auto citas = lector.Citas(0, 100000).Citas;
  int llamadas = 0;
  const auto r = ical::GuardarCitasIcal(folder, citas, [this](TDate, TDate) { avisos << "aviso"; },
                                        [&](qint64, qint64) { return ++llamadas < 2; });
  EXPECT_TRUE(r.Cancelada);
  EXPECT_EQ(r.Anadidas, 64);
  EXPECT_EQ(Registros(folder), 64);
  EXPECT_EQ(avisos.size(), 1) << "what was stored is announced";
  EXPECT_TRUE(ical::TextoResumen(r, {}).startsWith(QStringLiteral("Importación cancelada")));
  const auto r2 = ical::GuardarCitasIcal(folder, citas, {});
  EXPECT_EQ(r2.Anadidas, 136);
  EXPECT_EQ(r2.SinCambios, 64);
}

TEST_F(IcalTest, CommandLineImportTwiceAddsNothingTheSecondTime) {
  const QString ics = dir.filePath(QStringLiteral("otro.ics"));
  QFile f(ics);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(Fixture("otro-programa.ics"));
  f.close();
  const auto run = [&](const QStringList& args, int& code) {
    QProcess p;
    p.start(QStringLiteral(QUILLAR_DATA_EXE), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    code = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
  };
  int code = -1;
  // The command line's window starts from the real date: the fixture's five
  // single events are stored whatever it is, its weekly one maybe not.
  QString out = run({"import-ics", folder, ics}, code);
  EXPECT_EQ(code, 0) << out.toStdString();
  EXPECT_TRUE(out.contains(QStringLiteral("Omitidos: 3"))) << out.toStdString();
  const int primera = Registros(folder);
  EXPECT_GE(primera, 5);
  out = run({"import-ics", folder, ics}, code);
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(out.contains(QStringLiteral("Citas añadidas: 0"))) << out.toStdString();
  EXPECT_EQ(Registros(folder), primera);

  f.open(QIODevice::WriteOnly);
  f.write(Fixture("otro-programa.ics").left(900));
  f.close();
  out = run({"import-ics", folder, ics}, code);
  EXPECT_EQ(code, 1);
  EXPECT_TRUE(out.contains(QStringLiteral("No se ha guardado nada"))) << out.toStdString();
  EXPECT_EQ(Registros(folder), primera);
}

}  // namespace
