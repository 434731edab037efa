// Importing again after the agenda changed: what the user made or edited is
// never overwritten, and what a crash left half-recorded is not stored twice.
#include <QFile>

#include "IcalFixture.h"
#include "ical/IcalExport.h"

namespace {

QByteArray Calendario(const char* asuntoA, const char* asuntoB) {
  return QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
                    "BEGIN:VEVENT\r\nUID:evento-a\r\nDTSTART:20260310T100000\r\nDTEND:20260310T110000\r\nSUMMARY:") +
         asuntoA +
         "\r\nEND:VEVENT\r\n"
         "BEGIN:VEVENT\r\nUID:evento-b\r\nDTSTART:20260311T120000\r\nDTEND:20260311T130000\r\nSUMMARY:" +
         asuntoB + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

// Appointment ID of the folder (its subject), edited or deleted by hand as
// the program's windows do, or a new one made with the next free ID.
void Editar(const QString& folder, int id, const char* lugar) {
  data::Table t(folder.toStdString(), "AGENDA");
  AdjuntarHooksAgenda(t, {});
  t.Open();
  t.SetIndexName("ID");
  ASSERT_TRUE(t.FindKey(id));
  t.Edit();
  t.FieldByName("LUGAR").SetAsString(lugar);
  ASSERT_TRUE(t.Post());
}
void Borrar(const QString& folder, int id) {
  data::Table t(folder.toStdString(), "AGENDA");
  t.Open();
  t.SetIndexName("ID");
  ASSERT_TRUE(t.FindKey(id));
  t.Delete();
}
int Nueva(const QString& folder, const char* asunto) {
  data::Table t(folder.toStdString(), "AGENDA");
  AdjuntarHooksAgenda(t, {});
  t.Open();
  t.SetIndexName("ID");
  const int id = NuevoID(t);
  t.Append();
  t.FieldByName("ID").SetAsInteger(id);
  t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2026, 3, 12));
  t.FieldByName("HORA_INI").SetAsString("09:00");
  t.FieldByName("FECHA_FIN").SetAsDate(dt::EncodeDate(2026, 3, 12));
  t.FieldByName("HORA_FIN").SetAsString("09:30");
  t.FieldByName("ASUNTO").SetAsString(asunto);
  EXPECT_TRUE(t.Post());
  return id;
}

QString UidDe(const QByteArray& ics, const char* asunto) {
  const qsizetype fin = ics.indexOf(QByteArray("SUMMARY:") + asunto);
  const qsizetype ini = ics.lastIndexOf("BEGIN:VEVENT", fin);
  const qsizetype uid = ics.indexOf("UID:", ini);
  return QString::fromUtf8(ics.mid(uid + 4, ics.indexOf("\r\n", uid) - uid - 4));
}

TEST_F(IcalTest, AReimportNeverOverwritesWhatTheUserEditedOrMadeUnderAFreedID) {
  Importar(Calendario("A", "B"), folder);  // IDs 1 and 2
  Editar(folder, 1, "Mi sala");
  Borrar(folder, 2);
  ASSERT_EQ(Nueva(folder, "Mía"), 2) << "the new appointment takes the freed ID";

  int n = 0;
  const QByteArray ics = ical::CalendarioIcal(folder, 0, 200000, -1, n);
  EXPECT_EQ(UidDe(ics, "A"), "evento-a") << "an edited import keeps its event's UID";
  EXPECT_NE(UidDe(ics, "Mía"), "evento-b") << "another appointment under the freed ID is not that event";

  auto r = Importar(Calendario("A cambiado", "B cambiado"), folder);
  EXPECT_EQ(r.CambiadasEnAgenda, 1);
  EXPECT_EQ(r.Actualizadas, 0);
  EXPECT_EQ(r.Anadidas, 1) << "the deleted event comes back as a new appointment";
  EXPECT_TRUE(ical::TextoResumen(r, {}).contains(QStringLiteral("se cambiaron en la agenda")));
  const QStringList citas = Citas(folder);
  ASSERT_EQ(citas.size(), 3) << citas.join('\n').toStdString();
  EXPECT_EQ(citas.filter(" | A | Mi sala | ").size(), 1) << "the user's edit stays";
  EXPECT_EQ(citas.filter(" | Mía | ").size(), 1) << "the user's appointment stays";
  EXPECT_EQ(citas.filter(" | B cambiado | ").size(), 1);

  r = Importar(Calendario("A cambiado", "B cambiado"), folder);
  EXPECT_EQ(r.Anadidas + r.Actualizadas, 0) << "and a further import adds nothing";
}

TEST_F(IcalTest, SideTableRowsLostInACrashDoNotDuplicateTheAppointments) {
  const QByteArray ics = Fixture("otro-programa.ics");
  Importar(ics, folder);
  const QStringList antes = Citas(folder);
  // A crash before the side table reached the disk: its rows are lost,
  // the appointments are stored.
  for (const char* ext : {"DBF", "MDX", "DBT"}) QFile::remove(folder + "ICALUID." + ext);

  const auto r = Importar(ics, folder);
  EXPECT_EQ(r.Anadidas, 0);
  EXPECT_EQ(r.SinCambios, 9);
  EXPECT_EQ(Citas(folder), antes);
  EXPECT_EQ(Registros(folder, "ICALUID"), 9) << "the rows are made again";
}

}  // namespace
