// The main window's "Configurar": the dialog is driven as the user would
// (its controls set, "Aceptar" pressed) and the window is checked afterwards.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "MainWindowFixture.h"
#include "app/Autostart.h"
#include "app/UCategoriaClass.h"
#include "controls/EllipsLabel.h"
#include "core/Pickers.h"
#include "dialogs/AdvSpin.h"
#include "dialogs/ColorSwatch.h"
#include "dialogs/ConfigTestSupport.h"
#include "dialogs/UConfig.h"
#include "dialogs/UEditCate.h"
#include "support/Dbfread.h"
#include "support/CategoriaRows.h"

namespace {
QRgb Rgb(TColor c) { return ToQColor(c).rgb(); }

class MainWindowConfigTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    SetColorAnswerer([this](const ColorRequest&) { return colorAnswer; });
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    SetColorAnswerer({});
  }
  void Start(const QByteArray& extra = {}) {
    MainWindowTest::Start(extra);
    frm->ComprobarAvisosFn = [this] {
      ++reminderChecks;
      return false;
    };
  }
  // Runs "Configurar" with the dialog's controls set by `set`, then "Aceptar".
  void Configurar(std::function<void(TfrmConfig&)> set) {
    bool opened = false;
    WhenModalOpens<TfrmConfig>([&opened, set](TfrmConfig& d) {
      opened = true;
      set(d);
      d.btnOk->click();
    });
    frm->acConfig->trigger();
    ASSERT_TRUE(opened);
  }
  void CambiarCarpeta(const QString& carpeta) {
    Configurar([carpeta](TfrmConfig& d) { d.lblDirDatos->SetCaption(carpeta); });
  }
  // Stores a category row in the CATEGORIAS table of carpeta.
  static void AddCategoria(const QString& carpeta, int id, const char* nombre, TColor color) {
    ASSERT_TRUE(StoreCategoria(carpeta, id, QString::fromUtf8(nombre), color));
  }
  // Gives the stored appointment id another category, as another copy would.
  static void SetTipo(const QString& carpeta, int id, int tipo) {
    data::Table t(carpeta.toStdString(), "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(id));
    t.Edit();
    t.FieldByName("TIPO").SetAsInteger(tipo);
    ASSERT_TRUE(t.Post());
  }
  // Fresh tables in the fixture's data folder; cat 1 "Trabajo" in red.
  void TablasConTrabajo() {
    ASSERT_TRUE(CrearTablaCategorias(folder));
    CrearTablaAgenda(folder);
    AddCategoria(folder, 1, "Trabajo", clRed);
  }
  QString ConfigText() {
    QFile ini(program.filePath("config.ini"));
    EXPECT_TRUE(ini.open(QIODevice::ReadOnly));
    return QString::fromUtf8(ini.readAll());
  }
  // Colour of the time view at a client point of the shown area.
  QRgb TimeViewAt(int x, int y) {
    const QImage image = frm->TimeView->grab().toImage();
    const QPoint o = frm->TimeView->ClientOrigin();
    return image.pixel(o.x() + x, o.y() + y);
  }

  TColor colorAnswer = clNone;
  int reminderChecks = 0;
  QTemporaryDir otra;
};
}  // namespace

// Working hours given in the dialog reach every shown day at once, also when
// they lie wholly after or before the days' old hours (a day refuses a start
// that is not before its end), and the working-hours colour paints them.
TEST_F(MainWindowConfigTest, NewWorkingHoursAndDaysRepaintEveryShownDay) {
  Start();  // 09:00 to 20:00, Monday to Friday
  frm->acVerSemanaExecute();  // Monday 08/03/2004 to Sunday 14/03/2004
  ASSERT_EQ(frm->TimeView->DaysCount(), 7);
  struct Case {
    int fromH, fromM, toH, toM;
    bool lun, mie, sab;
    TColor color;
  } cases[] = {
      {21, 0, 23, 30, true, false, true, RGBColor(250, 200, 120)},  // after the old end of work
      {6, 30, 8, 0, false, true, false, RGBColor(120, 220, 250)},   // before the old start
      {11, 0, 19, 0, true, true, true, RGBColor(200, 120, 250)},    // inside
  };
  for (const Case& c : cases) {
    const TTime from = dt::EncodeTime(c.fromH, c.fromM), to = dt::EncodeTime(c.toH, c.toM);
    colorAnswer = c.color;
    Configurar([&](TfrmConfig& d) {
      d.edtWorkTimeFrom->SetTimeValue(from);
      d.edtWorkTimeTo->SetTimeValue(to);
      d.cbxWTLun->setChecked(c.lun);
      d.cbxWTMie->setChecked(c.mie);
      d.cbxWTSab->setChecked(c.sab);
      d.btnSetColorWT->click();
    });
    const bool working[7] = {c.lun, true, c.mie, true, true, c.sab, false};
    EXPECT_EQ(frm->TimeView->WorkingHoursColor(), c.color);
    for (int i = 0; i < 7; ++i) {
      TRBTimeviewDay* day = frm->TimeView->Days(i);
      EXPECT_NEAR(day->StartWork(), from, 1e-9) << i;
      EXPECT_NEAR(day->EndWork(), to, 1e-9) << i;
      EXPECT_EQ(day->WorkingDay(), working[i]) << i;
    }
    // Painted: inside the hours of Monday and Wednesday, and just after them.
    frm->TimeView->ScrollToTime(from);
    for (int i : {0, 2}) {
      TRBTimeviewDay* day = frm->TimeView->Days(i);
      const int x = day->Left() + frm->TimeView->DaysGapWidth() + 5;
      const QRgb inside = TimeViewAt(x, frm->TimeView->TimeToY(1, from) + 3);
      EXPECT_EQ(inside == Rgb(c.color), working[i]) << c.fromH << " day " << i;
      EXPECT_NE(TimeViewAt(x, frm->TimeView->TimeToY(1, to) + 3), Rgb(c.color)) << c.fromH << " day " << i;
    }
  }
}

// The colour of days with appointments is the one just chosen.
TEST_F(MainWindowConfigTest, MarkDayColourIsPaintedAtOnce) {
  CrearTablaAgenda(folder);
  AddCita(1, D(20, 3, 2004), "10:00", D(20, 3, 2004), "11:00", "Cita");
  Start();
  const TColor chosen = RGBColor(30, 160, 90);
  colorAnswer = chosen;
  Configurar([](TfrmConfig& d) { d.btnMarkDayColor->click(); });
  EXPECT_EQ(ConfigAgenda.MarkDayColor, chosen);

  TRBCalendar* cal = frm->Calendar;
  const QImage image = cal->grab().toImage();
  auto cellOf = [cal](TDate day) {
    for (int r = 0; r < cal->MonthsInHeight(); ++r)
      for (int c = 0; c < cal->MonthsInWidth(); ++c) {
        const TRBMonthData& m = cal->MonthData(c, r);
        for (int w = 0; w < 6; ++w)
          for (int i = 0; i < 7; ++i)
            if ((m.Days[i][w].Flags & dfShown) && m.Days[i][w].Date == day)
              return cal->Geometry().CellRect(c, r, i, w).translated(cal->ClientRect().topLeft());
      }
    ADD_FAILURE() << "day not shown";
    return QRect();
  };
  const QRect marked = cellOf(D(20, 3, 2004));
  const QRect plain = cellOf(D(21, 3, 2004));
  EXPECT_EQ(image.pixel(marked.left() + 2, marked.top() + 2), Rgb(chosen));
  EXPECT_NE(image.pixel(plain.left() + 2, plain.top() + 2), Rgb(chosen));
}

// Another data folder with tables of its own: its appointments and categories
// replace the old ones without a question, and the view is refreshed.
TEST_F(MainWindowConfigTest, SwitchingToAFolderWithTablesShowsItsAppointments) {
  TablasConTrabajo();
  AddCita(1, D(12, 3, 2004), "09:00", D(12, 3, 2004), "10:00", "De aquí");
  SetTipo(folder, 1, 1);
  Start();
  ASSERT_NE(frm->ItemDeID(1), nullptr);
  ASSERT_EQ(frm->ItemDeID(1)->Color(), clRed);

  const QString other = otra.path() + "/";
  ASSERT_TRUE(CrearTablaCategorias(other));
  CrearTablaAgenda(other);
  AddCategoria(other, 1, "Casa", clBlue);
  AddCitaEn(other, 7, D(12, 3, 2004), "16:00", D(12, 3, 2004), "17:30", "De allí", 0, 1);
  // The start-up check is half a second after showing; on a busy machine it
  // could fall inside the dialog below and be counted as the switch's.
  frm->findChild<QTimer*>(QStringLiteral("tmrAvisos"))->stop();
  reminderChecks = 0;
  ConfigAgenda.ShowReminder = true;
  Configurar([other](TfrmConfig& d) {
    d.chkMostrarAvisos->setChecked(true);
    d.lblDirDatos->SetCaption(other.chopped(1));  // stored with its separator
  });

  EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
  EXPECT_EQ(ConfigAgenda.DataPath, other);
  EXPECT_EQ(QString::fromStdString(frm->tblAgenda->Folder()), other);
  EXPECT_TRUE(frm->tblAgenda->Active());
  EXPECT_TRUE(frm->StatusPanel0->text().endsWith("/" + QDir(other).dirName()))
      << frm->StatusPanel0->text().toStdString();
  ASSERT_EQ(frm->TimeView->Items()->Count(), 1);
  TRBTimeViewItem* it = frm->ItemDeID(7);
  ASSERT_NE(it, nullptr);
  EXPECT_EQ(it->Text(), "De allí");
  EXPECT_FALSE(it->Reminder());
  EXPECT_EQ(it->Color(), clBlue);
  ASSERT_EQ(Categorias->Count(), 2);
  EXPECT_EQ(Categorias->CategoriaEn(1)->Nombre, "Casa");
  EXPECT_EQ(reminderChecks, 1);
  EXPECT_TRUE(ConfigText().contains("DataPath=" + other + "\n"));

  // New appointments go to the new folder.
  editor = [](data::Table& t) { return t.Post(); };
  frm->acNewExecute();
  data::Table t(other.toStdString(), "AGENDA");
  t.Open();
  EXPECT_EQ(t.RecordCount(), 2);
}

// A folder without the tables: the question, and on "Sí" the tables are made
// and the view shows the empty folder. On "No" the window and the setting stay
// with the folder in use, so the refresh, the dialogs and the category list
// keep reading the tables the window shows.
TEST_F(MainWindowConfigTest, AFolderWithoutTablesAsksAndCreatesThemOrKeepsTheOldOnes) {
  TablasConTrabajo();
  AddCita(1, D(12, 3, 2004), "09:00", D(12, 3, 2004), "10:00", "De aquí");
  Start();
  ASSERT_EQ(frm->TimeView->Items()->Count(), 1);
  const QString statusBefore = frm->StatusPanel0->text();
  const QString empty = otra.path() + "/";
  const QString question = "En el directorio:\r\n" + empty +
                           "\r\nno se han encontrado las tablas\r\nde la agenda.\r\n¿Desea crearlas?";

  answer = mrNo;
  CambiarCarpeta(empty);
  EXPECT_EQ(messages, QStringList{question});
  EXPECT_FALSE(QFile::exists(empty + "AGENDA.DBF") || QFile::exists(empty + "CATEGORIAS.DBF"));
  EXPECT_EQ(ConfigAgenda.DataPath, folder);
  EXPECT_TRUE(ConfigText().contains("DataPath=" + folder + "\n"));
  EXPECT_EQ(frm->StatusPanel0->text(), statusBefore);
  EXPECT_TRUE(frm->tblAgenda->Active());
  EXPECT_EQ(QString::fromStdString(frm->tblAgenda->Folder()), folder);
  EXPECT_NE(frm->ItemDeID(1), nullptr);
  // Everything still works on the old folder: new appointments, the refresh
  // with its category list, and the category list saved by the dialog.
  messages.clear();
  editor = [](data::Table& t) { return t.Post(); };
  frm->acNewExecute();
  frm->tmrRefreshTimer();
  ASSERT_EQ(frm->TimeView->Items()->Count(), 2);
  ASSERT_EQ(Categorias->Count(), 2);
  Configurar([](TfrmConfig& d) {
    WhenModalOpens<TfrmEditCate>([](TfrmEditCate& e) {
      e.edtCate->setText("Ocio");
      e.btnOk->click();
    });
    d.btnNewCate->click();
  });
  EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
  {
    data::Table t(folder.toStdString(), "CATEGORIAS");
    t.Open();
    EXPECT_EQ(t.RecordCount(), 3);
  }

  answer = mrYes;
  CambiarCarpeta(empty);
  EXPECT_EQ(messages, QStringList{question});
  EXPECT_TRUE(QFile::exists(empty + "AGENDA.DBF") && QFile::exists(empty + "CATEGORIAS.DBF"));
  EXPECT_EQ(ConfigAgenda.DataPath, empty);
  EXPECT_EQ(QString::fromStdString(frm->tblAgenda->Folder()), empty);
  EXPECT_TRUE(frm->tblAgenda->Active());
  EXPECT_EQ(frm->TimeView->Items()->Count(), 0);
  ASSERT_EQ(Categorias->Count(), 1);
  EXPECT_EQ(Categorias->CategoriaEn(0)->Nombre, "Normal");
  if (HasPython3Dbfread()) {
    // An independent reader sees the new categories table with its base row.
    EXPECT_EQ(CategoriasSegunDbfread(empty + "CATEGORIAS.DBF"), QString("0 Normal 15790320\n"));
  }
}

// A folder holding only the appointments: only the categories are made and
// the appointments there are shown.
TEST_F(MainWindowConfigTest, AFolderWithOnlyAppointmentsGetsItsCategoriesAndKeepsThem) {
  Start();
  const QString other = otra.path() + "/";
  CrearTablaAgenda(other);
  AddCitaEn(other, 3, D(12, 3, 2004), "12:00", D(12, 3, 2004), "13:00", "Guardada");
  answer = mrYes;
  CambiarCarpeta(other);
  EXPECT_EQ(messages.size(), 1);
  ASSERT_TRUE(QFile::exists(other + "CATEGORIAS.DBF"));
  ASSERT_NE(frm->ItemDeID(3), nullptr);
  EXPECT_EQ(frm->ItemDeID(3)->Color(), kColorNormal);
}

// After the dialog every shown item takes the colour of its record's category
// as the list now stands: recoloured in the dialog, or another category given
// to the record elsewhere. An item whose record is gone keeps its colour.
TEST_F(MainWindowConfigTest, ItemColoursFollowTheirRecordsCategories) {
  TablasConTrabajo();
  AddCategoria(folder, 2, "Casa", clBlue);
  AddCita(1, D(12, 3, 2004), "09:00", D(12, 3, 2004), "10:00", "Uno");
  AddCita(2, D(12, 3, 2004), "11:00", D(12, 3, 2004), "12:00", "Dos");
  AddCita(3, D(12, 3, 2004), "13:00", D(12, 3, 2004), "14:00", "Tres");
  SetTipo(folder, 1, 1);
  SetTipo(folder, 3, 1);
  Start();
  ASSERT_EQ(frm->ItemDeID(1)->Color(), clRed);
  ASSERT_EQ(frm->ItemDeID(2)->Color(), kColorNormal);
  SetTipo(folder, 2, 2);  // changed by another copy since loading
  {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(3));
    t.Delete();
  }

  const TColor nuevo = RGBColor(240, 180, 20);
  colorAnswer = nuevo;
  Configurar([](TfrmConfig& d) {
    d.pcConfig->setCurrentWidget(d.tsCategorias);
    d.lbCategorias->setCurrentRow(1);  // "Trabajo"
    WhenModalOpens<TfrmEditCate>([](TfrmEditCate& e) {
      e.btnColor->click();
      e.btnOk->click();
    });
    d.btnEditCate->click();
  });
  EXPECT_EQ(frm->ItemDeID(1)->Color(), nuevo);
  EXPECT_EQ(frm->ItemDeID(2)->Color(), clBlue);
  EXPECT_EQ(frm->ItemDeID(3)->Color(), clRed);  // its record is gone
  EXPECT_TRUE(messages.isEmpty());
}

// A folder that cannot be used: the tables cannot be created there, or they
// cannot be read. The user is told, the window keeps working on its tables,
// and the setting goes back to the folder in use, so the next start does not
// stop on a folder it cannot use.
TEST_F(MainWindowConfigTest, AFolderThatCannotBeUsedIsReportedAndTheOldOneKept) {
  CrearTablaAgenda(folder);
  AddCita(1, D(12, 3, 2004), "09:00", D(12, 3, 2004), "10:00", "De aquí");
  Start();
  const QString missing = otra.path() + "/no/existe/";
  const QString broken = otra.path() + "/rota/";
  ASSERT_TRUE(QDir().mkpath(broken));
  for (const char* name : {"AGENDA.DBF", "CATEGORIAS.DBF"}) {
    QFile f(broken + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("esto no es una tabla");
  }
  // Only the appointments there, and the categories' index name taken by a
  // folder: the categories table cannot be made.
  const QString blocked = otra.path() + "/bloqueada/";
  ASSERT_TRUE(QDir().mkpath(blocked + "CATEGORIAS.MDX"));
  CrearTablaAgenda(blocked);
  const QString statusBefore = frm->StatusPanel0->text();
  struct Case {
    QString carpeta;
    const char* lastMessage;
  } cases[] = {{missing, "Error generando tabla\r\n"},
               {blocked, "No se pudo crear la tabla\r\n"},
               {broken, "Error configurando programa."}};
  for (const Case& c : cases) {
    messages.clear();
    answer = mrYes;
    CambiarCarpeta(c.carpeta);
    ASSERT_FALSE(messages.isEmpty()) << c.carpeta.toStdString();
    EXPECT_TRUE(messages.back().startsWith(c.lastMessage)) << messages.join("|").toStdString();
    EXPECT_EQ(ConfigAgenda.DataPath, folder);
    EXPECT_TRUE(ConfigText().contains("DataPath=" + folder + "\n"));
    EXPECT_EQ(frm->StatusPanel0->text(), statusBefore);
    EXPECT_TRUE(frm->tblAgenda->Active());
    EXPECT_EQ(QString::fromStdString(frm->tblAgenda->Folder()), folder);
    ASSERT_NE(frm->ItemDeID(1), nullptr);
    ASSERT_GE(Categorias->Count(), 1);
    EXPECT_EQ(Categorias->CategoriaEn(0)->Nombre, "Normal");
  }
  EXPECT_TRUE(frm->isVisible());
}

// "Cancelar" changes no setting: the days and the folder stay as they were.
TEST_F(MainWindowConfigTest, CancelarLeavesTheWindowAsItWas) {
  CrearTablaAgenda(folder);
  AddCita(1, D(12, 3, 2004), "09:00", D(12, 3, 2004), "10:00", "De aquí");
  Start();
  bool opened = false;
  WhenModalOpens<TfrmConfig>([&](TfrmConfig& d) {
    opened = true;
    d.edtWorkTimeFrom->SetTimeValue(dt::EncodeTime(6, 0));
    d.lblDirDatos->SetCaption(otra.path());
    d.BitBtn1->click();
  });
  frm->acConfig->trigger();
  ASSERT_TRUE(opened);
  EXPECT_TRUE(messages.isEmpty());
  EXPECT_NEAR(frm->TimeView->Days(0)->StartWork(), dt::EncodeTime(9, 0), 1e-9);
  EXPECT_EQ(ConfigAgenda.DataPath, folder);
  EXPECT_NE(frm->ItemDeID(1), nullptr);
}

// Starting with the session takes effect when "Aceptar" is pressed, not at
// closing.
TEST_F(MainWindowConfigTest, AutostartEntryIsWrittenAtOnce) {
  Start();
  Configurar([](TfrmConfig& d) { d.chkWindowsRun->setChecked(true); });
  QFile entry(Autostart::EntryFile());
  ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(entry.readAll());
  EXPECT_TRUE(text.contains("Hidden=false")) << text.toStdString();
  entry.close();
  Configurar([](TfrmConfig& d) { d.chkWindowsRun->setChecked(false); });
  ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
  EXPECT_TRUE(QString::fromUtf8(entry.readAll()).contains("Hidden=true"));
}
