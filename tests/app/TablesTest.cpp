#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/AgendaHooks.h"
#include "app/AppPaths.h"
#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "app/UMainAgenda.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "support/Dbfread.h"

namespace {
class TablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    folder = dir.path() + "/";
    ConfigAgenda = TConfigAgenda{};
    ConfigAgenda.DataPath = folder;
    SetMessageAnswerer([this](const MessageRequest& r) {
      messages.push_back(r.text);
      return answer;
    });
  }
  void TearDown() override {
    SetMessageAnswerer({});
    Categorias.reset();
  }
  data::Table Agenda() { return data::Table(folder.toStdString(), "AGENDA"); }
  void AddCita(data::Table& t, int id, TDate fecha, const char* hora) {
    t.Append();
    t.FieldByName("ID").SetAsInteger(id);
    t.FieldByName("FECHA_INI").SetAsDate(fecha);
    t.FieldByName("FECHA_FIN").SetAsDate(fecha);
    t.FieldByName("HORA_INI").SetAsString(hora);
    ASSERT_TRUE(t.Post());
  }

  QTemporaryDir dir;
  QString folder;
  QStringList messages;
  int answer = mrOk;
};

}  // namespace

TEST_F(TablesTest, FreshCategoriesTableHoldsOnlyNormal) {
  ASSERT_TRUE(CrearTablaCategorias());
  Categorias = std::make_unique<TCategorias>();
  Categorias->Cargar();
  ASSERT_EQ(Categorias->Count(), 1);
  EXPECT_EQ(Categorias->CategoriaEn(0)->ID, 0);
  EXPECT_EQ(Categorias->CategoriaEn(0)->Nombre, "Normal");
  EXPECT_EQ(Categorias->CategoriaEn(0)->Color, 15790320);
  EXPECT_EQ(Categorias->CategoriaEn(-1), nullptr);
  EXPECT_EQ(Categorias->CategoriaEn(1), nullptr);
  EXPECT_EQ(Categorias->ColorDeIndice(1), clWindow);
  EXPECT_EQ(ColorCategoria(0), 15790320);
  EXPECT_EQ(ColorCategoria(7), clWindow);  // not the base category's colour
  QStringList names{"(Todas)"};
  NombresCategorias(names);
  EXPECT_EQ(names, QStringList({"(Todas)", "Normal"}));
}

TEST_F(TablesTest, NewCategoriesTakeTheHighestStoredIdPlusOneInOrder) {
  ASSERT_TRUE(CrearTablaCategorias());
  TCategorias list;
  list.Cargar();
  for (const char* n : {"Uno", "Dos", "Tres", "Cuatro"}) list.Nueva()->Nombre = n;
  list.Guardar();  // IDs 1..4
  list.Cargar();
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list.CategoriaEn(4)->ID, 4);
  TCategoria* a = list.Nueva();
  a->Nombre = "Trabajo";
  a->Color = clRed;
  list.Nueva()->Nombre = "Casa";
  list.Guardar();
  EXPECT_EQ(a->ID, 5);
  list.Cargar();
  EXPECT_EQ(list.BuscarID(5)->Nombre, "Trabajo");
  EXPECT_EQ(list.BuscarID(5)->Color, clRed);
  EXPECT_EQ(list.BuscarID(6)->Nombre, "Casa");

  // Removing the highest and adding one before saving reuses that ID.
  list.Quitar(list.BuscarID(6));
  list.Nueva()->Nombre = "Ocio";
  list.Guardar();
  list.Cargar();
  EXPECT_EQ(list.Count(), 7);
  EXPECT_EQ(list.BuscarID(6)->Nombre, "Ocio");
  EXPECT_EQ(list.IndiceDeID(6), 6);
}

TEST_F(TablesTest, SavingACategoryWhoseRowVanishedLeavesOtherRowsAlone) {
  ASSERT_TRUE(CrearTablaCategorias());
  TCategorias list;
  list.Cargar();
  list.Nueva()->Nombre = "Uno";
  list.Nueva()->Nombre = "Dos";
  list.Guardar();
  list.Cargar();
  {  // Another copy deletes row 1.
    data::Table t(folder.toStdString(), "CATEGORIAS");
    t.Open();
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(1));
    t.Delete();
  }
  list.BuscarID(1)->Nombre = "Uno cambiado";
  list.Guardar();
  TCategorias again;
  again.Cargar();
  ASSERT_EQ(again.Count(), 3);
  EXPECT_EQ(again.BuscarID(0)->Nombre, "Normal");
  EXPECT_EQ(again.BuscarID(1)->Nombre, "Uno cambiado");
  EXPECT_EQ(again.BuscarID(2)->Nombre, "Dos");
}

TEST_F(TablesTest, AgendaTableHasItsFieldsAndIndexesAndOpensElsewhere) {
  CrearTablaAgenda(folder);
  data::Table t = Agenda();
  ASSERT_TRUE(t.Exists());
  t.Open();
  std::vector<std::string> names;
  for (const auto& f : t.Fields()) names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"ID", "FECHA_INI", "FECHA_FIN", "HORA_INI", "HORA_FIN", "ASUNTO",
                                             "LUGAR", "NOTAS", "AVISO", "TIPO", "F_AVISO", "H_AVISO"}));
  EXPECT_EQ(t.Fields()[5].length, 200);
  EXPECT_TRUE(t.Fields()[7].IsMemo());
  const auto tags = t.Tags();
  ASSERT_EQ(tags.size(), 2u);
  EXPECT_EQ(tags[0].name, "ID");
  EXPECT_TRUE(tags[0].unique);
  EXPECT_EQ(tags[1].name, "FECHA_INI");
  EXPECT_FALSE(tags[1].unique);
  AddCita(t, 3, dt::EncodeDate(2004, 3, 12), "09:30");
  t.Close();
  // Creating again keeps what is there.
  CrearTablaAgenda(folder);
  t.Open();
  EXPECT_EQ(t.RecordCount(), 1u);
  t.Close();
  if (!HasPython3Dbfread()) GTEST_SKIP() << "python3-dbfread missing";
  EXPECT_EQ(SalidaDbfread("t = dbfread.DBF(sys.argv[1])\n"
                          "r = list(t)[0]\n"
                          "print(t.field_names, r['ID'], r['FECHA_INI'], r['HORA_INI'])",
                          folder + "AGENDA.DBF")
                .trimmed(),
            "['ID', 'FECHA_INI', 'FECHA_FIN', 'HORA_INI', 'HORA_FIN', 'ASUNTO', 'LUGAR', 'NOTAS', 'AVISO', "
            "'TIPO', 'F_AVISO', 'H_AVISO'] 3.0 2004-03-12 09:30");
}

TEST_F(TablesTest, NuevoIDIsHighestPlusOneWhateverTheCurrentIndexAndRecord) {
  CrearTablaAgenda(folder);
  data::Table t = Agenda();
  t.Open();
  EXPECT_EQ(NuevoID(t), 1);
  AddCita(t, 57, dt::EncodeDate(2004, 1, 1), "10:00");
  AddCita(t, 12, dt::EncodeDate(2004, 5, 1), "10:00");
  AddCita(t, 30, dt::EncodeDate(2004, 3, 1), "10:00");
  t.SetIndexName("FECHA_INI");
  t.First();
  t.Next();  // 01/03/2004, ID 30
  ASSERT_EQ(t.FieldByName("ID").AsInteger(), 30);
  EXPECT_EQ(NuevoID(t), 58);
  EXPECT_EQ(t.IndexName(), "FECHA_INI");
  EXPECT_EQ(t.FieldByName("ID").AsInteger(), 30);
  t.Next();
  EXPECT_EQ(t.FieldByName("ID").AsInteger(), 12);
}

TEST_F(TablesTest, HooksKeepIdsValidAndRemindersInStep) {
  CrearTablaAgenda(folder);
  data::Table t = Agenda();
  std::vector<std::pair<TDate, TDate>> avisos;
  AdjuntarHooksAgenda(t, [&](TDate a, TDate b) { avisos.emplace_back(a, b); });
  t.Open();
  t.Append();
  EXPECT_EQ(t.FieldByName("ID").AsInteger(), -1);
  t.FieldByName("AVISO").SetAsInteger(1);
  t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2004, 3, 10));
  t.FieldByName("FECHA_FIN").SetAsDate(dt::EncodeDate(2004, 3, 11));
  t.FieldByName("HORA_INI").SetAsString("00:02");
  EXPECT_DOUBLE_EQ(t.FieldByName("F_AVISO").AsDate(), dt::EncodeDate(2004, 3, 9));
  EXPECT_EQ(t.FieldByName("H_AVISO").AsString(), "23:57");

  // No valid ID: refused with the message, still being appended.
  EXPECT_FALSE(t.Post());
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages[0], "No se pudo guardar la cita.\r\nSe ha producido un error en\r\nla base de datos");
  EXPECT_EQ(t.State(), data::TableState::Insert);
  EXPECT_TRUE(avisos.empty());

  t.FieldByName("ID").SetAsInteger(1);
  ASSERT_TRUE(t.Post());
  ASSERT_EQ(avisos.size(), 1u);
  EXPECT_DOUBLE_EQ(avisos[0].first, dt::EncodeDate(2004, 3, 10));
  EXPECT_DOUBLE_EQ(avisos[0].second, dt::EncodeDate(2004, 3, 11));

  // The hooks run on every assignment, also of an equal value.
  t.Edit();
  t.FieldByName("AVISO").SetAsInteger(13);
  t.FieldByName("HORA_INI").SetAsString("10:00");
  t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2004, 3, 10));
  EXPECT_DOUBLE_EQ(t.FieldByName("F_AVISO").AsDate(), dt::EncodeDate(2004, 3, 3));
  EXPECT_EQ(t.FieldByName("H_AVISO").AsString(), "10:00");
  ASSERT_TRUE(t.Post());
}

TEST_F(TablesTest, TablesInUseWhileAnotherHandleHoldsThem) {
  EXPECT_FALSE(TablasEnUso(folder));  // missing tables are free
  CrearTablaAgenda(folder);
  ASSERT_TRUE(CrearTablaCategorias());
  EXPECT_FALSE(TablasEnUso(folder));
  data::Table other(folder.toStdString(), "categorias.dbf");
  other.Open();
  EXPECT_TRUE(TablasEnUso(folder));
  other.Close();
  EXPECT_FALSE(TablasEnUso(folder));
}

TEST_F(TablesTest, StartUpOnAnEmptyFolderCreatesBothTables) {
  QTemporaryDir program;
  AppPaths::SetProgramFolder(program.path());
  {
    QFile ini(program.filePath("config.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(("[General]\nDataPath=" + folder + "\nWindowState=0\n").toUtf8());
  }
  {
    TfrmAgenda frm;
    frm.show();
    EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
    ASSERT_TRUE(Categorias);
    EXPECT_EQ(Categorias->Count(), 1);
    ASSERT_TRUE(frm.tblAgenda->Active());
    EXPECT_EQ(frm.tblAgenda->IndexName(), "FECHA_INI");
    EXPECT_TRUE(frm.tblAgenda->IsEmpty());
    frm.close();
    EXPECT_FALSE(Categorias);
  }
  EXPECT_TRUE(QFile::exists(folder + "AGENDA.DBF"));
  EXPECT_TRUE(QFile::exists(folder + "CATEGORIAS.DBF"));
  AppPaths::SetProgramFolder(QString());
}

TEST_F(TablesTest, ComprobarTablasAsksAndCreatesOnlyWhatIsMissing) {
  QTemporaryDir program;
  AppPaths::SetProgramFolder(program.path());
  QTemporaryDir other;
  const QString otherFolder = other.path() + "/";
  CrearTablaAgenda(otherFolder);
  {
    data::Table t(otherFolder.toStdString(), "AGENDA");
    t.Open();
    AddCita(t, 9, dt::EncodeDate(2004, 3, 12), "09:00");
  }
  TfrmAgenda frm;
  answer = mrNo;
  EXPECT_FALSE(frm.ComprobarTablas(otherFolder));
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages[0], "En el directorio:\r\n" + otherFolder +
                             "\r\nno se han encontrado las tablas\r\nde la agenda.\r\n¿Desea crearlas?");
  EXPECT_FALSE(QFile::exists(otherFolder + "CATEGORIAS.DBF"));
  answer = mrYes;
  EXPECT_TRUE(frm.ComprobarTablas(otherFolder));
  EXPECT_TRUE(QFile::exists(otherFolder + "CATEGORIAS.DBF"));
  data::Table t(otherFolder.toStdString(), "AGENDA");
  t.Open();
  EXPECT_EQ(t.RecordCount(), 1u);
  messages.clear();
  EXPECT_TRUE(frm.ComprobarTablas(otherFolder));
  EXPECT_TRUE(messages.isEmpty());
  AppPaths::SetProgramFolder(QString());
}

// Two copies taking the same new ID at once both keep their appointment:
// the second to store it gets the next free ID, and reports it.
TEST_F(TablesTest, TwoWritersTakingTheSameNewIdBothKeepTheirAppointment) {
  CrearTablaAgenda(folder);
  data::Table a = Agenda(), b = Agenda();
  AdjuntarHooksAgenda(a, {});
  AdjuntarHooksAgenda(b, {});
  a.Open();
  b.Open();
  const int idA = NuevoID(a), idB = NuevoID(b);
  ASSERT_EQ(idA, idB);
  for (auto [t, id, asunto] : {std::tuple{&a, idA, "Primera"}, std::tuple{&b, idB, "Segunda"}}) {
    t->Append();
    t->FieldByName("ID").SetAsInteger(id);
    t->FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2004, 3, 12));
    t->FieldByName("ASUNTO").SetAsString(asunto);
    ASSERT_TRUE(t->Post());
  }
  EXPECT_EQ(a.FieldByName("ID").AsInteger(), 1);
  EXPECT_EQ(b.FieldByName("ID").AsInteger(), 2);
  data::Table c = Agenda();
  c.Open();
  c.SetIndexName("ID");
  ASSERT_TRUE(c.FindKey(1));
  EXPECT_EQ(c.FieldByName("ASUNTO").AsString(), "Primera");
  ASSERT_TRUE(c.FindKey(2));
  EXPECT_EQ(c.FieldByName("ASUNTO").AsString(), "Segunda");
  EXPECT_EQ(c.RecordCount(), 2u);
}
