#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QWheelEvent>

#include "MainWindowFixture.h"
#include "data/TableTestSupport.h"
#include "app/TableSchemas.h"
#include "app/UCategoriaClass.h"
#include "calendar/RBCalendarMonths.h"
#include "core/DateFormat.h"

namespace {
QString Fmt(TDateTime v) { return FormatDateTime("dd/mm/yyyy hh:nn", v); }
}  // namespace

TEST(MainWindowRules, RedondearMediaHoraTable) {
  const TDate day = dt::EncodeDate(2004, 3, 12);
  struct Case { int h, m; const char* expected; } cases[] = {
      {10, 15, "12/03/2004 10:00"}, {10, 16, "12/03/2004 10:30"}, {10, 45, "12/03/2004 10:30"},
      {10, 46, "12/03/2004 11:00"}, {23, 50, "12/03/2004 00:00"}, {0, 0, "12/03/2004 00:00"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Fmt(RedondearMediaHora(day + dt::EncodeTime(c.h, c.m, 59))), c.expected) << c.h << ":" << c.m;
}

TEST(MainWindowRules, TextoIntervaloTable) {
  const TDate d12 = dt::EncodeDate(2004, 3, 12);
  struct Case { TDateTime a, b; const char* hint; int width; } cases[] = {
      {d12 + dt::EncodeTime(10, 0), d12 + dt::EncodeTime(11, 30), "desde 10:00\r\nhasta 11:30\r\n01:30 horas", 80},
      {d12 + dt::EncodeTime(10, 0), d12 + 2 + dt::EncodeTime(12, 30),
       "desde 12/03/2004 10:00\r\nhasta 14/03/2004 12:30\r\n2 días 02:30 horas", 180},
      {d12 + dt::EncodeTime(23, 0), d12 + 1 + dt::EncodeTime(1, 0),
       "desde 12/03/2004 23:00\r\nhasta 13/03/2004 01:00\r\n02:00 horas", 180},
      {d12 + dt::EncodeTime(10, 0), d12 + 1 + dt::EncodeTime(22, 0),
       "desde 12/03/2004 10:00\r\nhasta 13/03/2004 22:00\r\n1 día 12:00 horas", 180},
      {d12 + dt::EncodeTime(10, 0), d12 + 1 + dt::EncodeTime(10, 0),
       "desde 12/03/2004 10:00\r\nhasta 13/03/2004 10:00\r\n1 día 00:00 horas", 180},
  };
  for (const auto& c : cases) {
    QString hint;
    int width = 0;
    TextoIntervalo(c.a, c.b, hint, width);
    EXPECT_EQ(hint, c.hint);
    EXPECT_EQ(width, c.width);
  }
}

TEST_F(MainWindowTest, StartShowsTodayWithTheSavedScaleAndDays) {
  Start("RulerMarkMinutes=1\nDaysSelected=5\n");
  EXPECT_DOUBLE_EQ(frm->Calendar->SelectionStart(), D(12, 3, 2004));
  EXPECT_EQ(frm->Calendar->SelectionCount(), 5);
  EXPECT_EQ(frm->TimeView->DaysCount(), 5);
  EXPECT_EQ(frm->TimeView->RulerMarkMinutes(), rmm60Minutes);
  EXPECT_TRUE(frm->Unahora1->isChecked() && frm->Unahora2->isChecked());
  EXPECT_FALSE(frm->Mediahora1->isChecked() || frm->Mediahora2->isChecked());
  // 10:07 rounds to 10:00; the selection lasts half an hour.
  EXPECT_EQ(Fmt(frm->TimeView->TimeSelectionStart()), "12/03/2004 10:00");
  EXPECT_EQ(Fmt(frm->TimeView->TimeSelectionEnd()), "12/03/2004 10:30");
  frm->N15minutos1Click();
  EXPECT_TRUE(frm->N15minutos2->isChecked());
  frm->close();
  QFile ini(program.filePath("config.ini"));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(ini.readAll());
  EXPECT_TRUE(text.contains("DaysSelected=5\n"));
  EXPECT_TRUE(text.contains("RulerMarkMinutes=3\n"));
}

TEST_F(MainWindowTest, LoadingFollowsTheStartDayAndMarksEveryDayTouched) {
  CrearTablaAgenda(folder);
  AddCita(1, D(30, 3, 2004), "23:00", D(31, 3, 2004), "01:00", "Cruza la noche");
  AddCita(2, D(31, 3, 2004), "23:00", D(1, 4, 2004), "01:00", "Cruza el mes");
  now = D(15, 4, 2004) + dt::EncodeTime(9, 0);
  Start();
  // Shown months start in April: the appointment starting on 31/03 is not loaded.
  ASSERT_GE(frm->Calendar->StartDay(), D(1, 4, 2004));
  EXPECT_FALSE(frm->TimeView->HasItemsOn(D(1, 4, 2004)));
  EXPECT_EQ(frm->ItemDeID(2), nullptr);
  frm->CargarCitas(D(1, 3, 2004), D(31, 3, 2004));
  ASSERT_NE(frm->ItemDeID(1), nullptr);
  EXPECT_TRUE(frm->TimeView->HasItemsOn(D(30, 3, 2004)));
  EXPECT_TRUE(frm->TimeView->HasItemsOn(D(31, 3, 2004)));
  EXPECT_EQ(frm->ItemDeID(1)->Text(), "Cruza la noche");
  EXPECT_TRUE(frm->ItemDeID(1)->Reminder());
  EXPECT_EQ(frm->ItemDeID(1)->Color(), ColorCategoria(0));
}

TEST_F(MainWindowTest, RefreshShowsChangesAndDeletionsMadeElsewhere) {
  CrearTablaAgenda(folder);
  AddCita(1, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
  AddCita(2, D(15, 3, 2004), "09:00", D(15, 3, 2004), "09:30", "Dentista");
  Start();
  ASSERT_NE(frm->ItemDeID(1), nullptr);
  ASSERT_NE(frm->ItemDeID(2), nullptr);
  {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(1));
    t.Edit();
    t.FieldByName("HORA_INI").SetAsString("12:00");
    t.FieldByName("HORA_FIN").SetAsString("13:00");
    ASSERT_TRUE(t.Post());
    ASSERT_TRUE(t.FindKey(2));
    t.Delete();
  }
  frm->tmrRefreshTimer();
  ASSERT_NE(frm->ItemDeID(1), nullptr);
  EXPECT_EQ(Fmt(frm->ItemDeID(1)->StartTime()), "12/03/2004 12:00");
  EXPECT_EQ(Fmt(frm->ItemDeID(1)->EndTime()), "12/03/2004 13:00");
  EXPECT_EQ(frm->ItemDeID(2), nullptr);
  EXPECT_TRUE(frm->tmrRefresh->isActive());
  EXPECT_TRUE(frm->StatusPanel1->text().isEmpty());
}

TEST_F(MainWindowTest, WeekAndMonthCommandsSelectWholeWeeksAndMonths) {
  CrearTablaAgenda(folder);
  AddCita(1, D(14, 3, 2004), "10:00", D(14, 3, 2004), "11:00", "Domingo");
  now = D(14, 3, 2004) + dt::EncodeTime(9, 0);
  Start();
  frm->TimeView->SetSelectedItem(frm->ItemDeID(1));
  frm->acVerSemanaExecute();
  EXPECT_DOUBLE_EQ(frm->Calendar->SelectionStart(), D(8, 3, 2004));
  EXPECT_DOUBLE_EQ(frm->Calendar->SelectionEnd(), D(14, 3, 2004));
  EXPECT_EQ(frm->TimeView->DaysCount(), 7);

  frm->TimeView->SetSelectedItem(nullptr);
  frm->TimeView->SetTimeSelection(D(15, 3, 2004) + 0.5, D(15, 3, 2004) + 0.55);
  frm->acVerSemanaExecute();
  EXPECT_DOUBLE_EQ(frm->Calendar->SelectionStart(), D(15, 3, 2004));
  EXPECT_DOUBLE_EQ(frm->Calendar->SelectionEnd(), D(21, 3, 2004));

  frm->TimeView->SetSelectedItem(nullptr);
  frm->TimeView->SetTimeSelection(D(10, 2, 2004) + 0.5, D(10, 2, 2004) + 0.55);
  frm->acVerMesExecute();
  EXPECT_DOUBLE_EQ(frm->Calendar->SelectionStart(), D(1, 2, 2004));
  EXPECT_EQ(frm->Calendar->SelectionCount(), 29);
  frm->acTodayExecute();
  EXPECT_DOUBLE_EQ(frm->Calendar->SelectionStart(), D(14, 3, 2004));
  EXPECT_EQ(frm->Calendar->SelectionCount(), 1);
}

TEST_F(MainWindowTest, WorkingHoursOfTheSettingsGoToEveryNewDay) {
  Start("BeginWorkTime=18:00:00\nEndWorkTime=22:00:00\nWorkSab=1\n");
  // Today, shown since start-up, has them too.
  ASSERT_EQ(frm->TimeView->DaysCount(), 1);
  EXPECT_EQ(Fmt(frm->TimeView->Days(0)->StartWork()).right(5), "18:00");
  EXPECT_EQ(Fmt(frm->TimeView->Days(0)->EndWork()).right(5), "22:00");
  frm->acVerSemanaExecute();
  ASSERT_EQ(frm->TimeView->DaysCount(), 7);
  for (int i = 0; i < 7; ++i) {
    TRBTimeviewDay* d = frm->TimeView->Days(i);
    EXPECT_EQ(Fmt(d->StartWork()).right(5), "18:00");
    EXPECT_EQ(Fmt(d->EndWork()).right(5), "22:00");
    EXPECT_EQ(d->WorkingDay(), i < 6) << i;  // Monday..Saturday
  }
}

TEST_F(MainWindowTest, SplitterKeepsWholeMonthColumns) {
  Start();
  const int w = frm->Calendar->MonthWidth();
  ASSERT_GT(w, 0);
  for (auto [size, months] : {std::pair{w * 26 / 10, 3}, std::pair{w / 3, 1}, std::pair{w * 14 / 10, 1}}) {
    bool accept = false;
    frm->splHorCanResize(size, accept);
    EXPECT_TRUE(accept);
    EXPECT_EQ(size, months * w + 4);
    EXPECT_EQ(frm->Calendar->MonthsInWidth(), months);
  }
}

TEST_F(MainWindowTest, StartRestoresTheSavedDaysAndScale) {
  // 12/03/2004 is a Friday.
  struct Case {
    const char* config;
    TDateTime now;
    TDate first;
    int count;
    TRBTVRulerMarkMinutes scale;
    const char* selection;
  } cases[] = {
      {"DaysSelected=7\nRulerMarkMinutes=3\n", D(12, 3, 2004) + dt::EncodeTime(10, 7), D(8, 3, 2004), 7,
       rmm15Minutes, "08/03/2004 10:00"},
      {"DaysSelected=30\nRulerMarkMinutes=0\n", D(12, 3, 2004) + dt::EncodeTime(10, 7), D(1, 3, 2004), 31,
       rmm30Minutes, "01/03/2004 10:00"},
      // The half-hour rounding of 23:50 wraps to 00:00 of the same day.
      {"DaysSelected=29\nRulerMarkMinutes=7\n", D(12, 3, 2004) + dt::EncodeTime(23, 50), D(12, 3, 2004), 29,
       rmm30Minutes, "12/03/2004 00:00"},
  };
  for (const Case& c : cases) {
    now = c.now;
    Start(c.config);
    EXPECT_DOUBLE_EQ(frm->Calendar->SelectionStart(), c.first) << c.config;
    EXPECT_EQ(frm->Calendar->SelectionCount(), c.count) << c.config;
    EXPECT_EQ(frm->TimeView->DaysCount(), c.count) << c.config;
    EXPECT_EQ(frm->TimeView->RulerMarkMinutes(), c.scale) << c.config;
    const bool media = c.scale == rmm30Minutes;
    EXPECT_EQ(frm->Mediahora1->isChecked(), media);
    EXPECT_EQ(frm->Mediahora2->isChecked(), media);
    EXPECT_EQ(Fmt(frm->TimeView->TimeSelectionStart()), c.selection) << c.config;
    frm.reset();
  }
}

TEST_F(MainWindowTest, RefreshKeepsAnItemOfTheLastShownDayDeletedElsewhere) {
  Start();
  const TDate last = frm->Calendar->EndDay();
  AddCita(5, last, "10:00", last, "11:00", "Último día");
  AddCita(6, last - 1, "10:00", last - 1, "11:00", "Penúltimo día");
  // F5 in the time view runs the refresh.
  QTest::keyClick(frm->TimeView, Qt::Key_F5);
  ASSERT_NE(frm->ItemDeID(5), nullptr);
  ASSERT_NE(frm->ItemDeID(6), nullptr);
  {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(5));
    t.Delete();
    ASSERT_TRUE(t.FindKey(6));
    t.Delete();
  }
  frm->tmrRefreshTimer();
  // Items ending during the range's last day are refreshed, never removed.
  EXPECT_NE(frm->ItemDeID(5), nullptr);
  EXPECT_EQ(frm->ItemDeID(6), nullptr);
}

TEST_F(MainWindowTest, WeekAndMonthWithoutItemOrTimeSelectionStartFromToday) {
  Start();
  frm->TimeView->SetSelectedItem(nullptr);
  frm->TimeView->SetTimeSelection(-1, -1);
  frm->acVerSemanaExecute();
  EXPECT_DOUBLE_EQ(frm->Calendar->SelectionStart(), D(8, 3, 2004));
  EXPECT_EQ(frm->Calendar->SelectionCount(), 7);
  frm->TimeView->SetSelectedItem(nullptr);
  frm->TimeView->SetTimeSelection(-1, -1);
  frm->acVerMesExecute();
  EXPECT_DOUBLE_EQ(frm->Calendar->SelectionStart(), D(1, 3, 2004));
  EXPECT_EQ(frm->Calendar->SelectionCount(), 31);
}

TEST_F(MainWindowTest, WheelScrollsTenPerNotchAndTheCalendarFillsItsPanel) {
  Start("RulerMarkMinutes=3\n");
  TRBTimeView* tv = frm->TimeView;
  tv->SetVScrollPosition(100);
  ASSERT_EQ(tv->VScrollPosition(), 100);
  const QPointF at(tv->width() / 2, tv->height() / 2);
  for (auto [delta, expected] : {std::pair{-120, 110}, std::pair{-120, 120}, std::pair{120, 110}}) {
    QWheelEvent wheel(at, tv->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(tv, &wheel);
    EXPECT_EQ(tv->VScrollPosition(), expected);
  }
  const int h = frm->Calendar->MonthHeight();
  for (int height : {700, 900}) {
    frm->resize(1000, height);
    QApplication::processEvents();
    EXPECT_EQ(frm->Calendar->MonthsInHeight(), std::max(1, frm->pnlCalendar->contentsRect().height() / h)) << height;
  }
}

TEST_F(MainWindowTest, DaysWithAppointmentsAreDrawnInTheMarkColour) {
  CrearTablaAgenda(folder);
  AddCita(1, D(16, 3, 2004), "10:00", D(16, 3, 2004), "11:00", "Marcado");
  AddCita(2, D(18, 3, 2004), "23:00", D(19, 3, 2004), "01:00", "Cruza la noche");
  AddCita(3, D(20, 3, 2004), "22:00", D(21, 3, 2004), "00:00", "Hasta medianoche");
  Start("MarkDayColor=255\n");  // red
  frm->Calendar->ClearSelections();
  frm->Calendar->SelectRange(D(1, 3, 2004), D(1, 3, 2004));
  const QImage img = frm->Calendar->grab().toImage();
  const QPoint origin = frm->Calendar->ClientRect().topLeft();
  const TRBMonthData& m = frm->Calendar->MonthData(0, 0);
  ASSERT_EQ(m.Month, 3);
  int checked = 0;
  for (int i = 0; i < 7; ++i)
    for (int w = 0; w < 6; ++w) {
      const TDate day = m.Days[i][w].Date;
      if (day < D(16, 3, 2004) || day > D(21, 3, 2004)) continue;
      const bool marked = day != D(17, 3, 2004) && day != D(21, 3, 2004);
      const QRect cell = frm->Calendar->Geometry().CellRect(0, 0, i, w).translated(origin);
      const QColor c = img.pixelColor(cell.left() + 1, cell.top() + 1);
      EXPECT_EQ(c, marked ? QColor(Qt::red) : QColor(Qt::white)) << FormatDateTime("dd/mm", day).toStdString();
      ++checked;
    }
  EXPECT_EQ(checked, 6);
}

// A folder another dBase program indexed: FECHA_INI on DTOS(FECHA_INI).
TEST_F(MainWindowTest, AFechaIniTagOnDtosServesTheViewAndIsKept) {
  {
    data::Table t(folder.toStdString(), "AGENDA.DBF");
    t.Create(AgendaFieldDefs(), {{"ID", "ID", true}, {"FECHA_INI", "DTOS(FECHA_INI)", false}});
  }
  AddCita(1, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
  AddCita(2, D(29, 2, 2004), "09:00", D(29, 2, 2004), "09:30", "Antes");
  AddCita(3, D(31, 3, 2004), "23:00", D(1, 4, 2004), "01:00", "Cruza el mes");
  now = D(15, 3, 2004) + dt::EncodeTime(9, 0);
  Start();
  EXPECT_TRUE(messages.isEmpty()) << messages.join(" | ").toStdString();
  ASSERT_NE(frm->ItemDeID(1), nullptr);
  EXPECT_TRUE(frm->TimeView->HasItemsOn(D(12, 3, 2004)));
  EXPECT_TRUE(frm->TimeView->HasItemsOn(D(1, 4, 2004)));
  EXPECT_EQ(frm->ItemDeID(2) != nullptr, frm->Calendar->StartDay() <= D(29, 2, 2004));
  frm.reset();
  data::Table t(folder.toStdString(), "AGENDA.DBF");
  t.Open();
  ASSERT_EQ(t.Tags().size(), 2u);
  EXPECT_EQ(t.Tags()[1].expression, "DTOS(FECHA_INI)");
  EXPECT_EQ(t.Verify(), std::vector<std::string>{});
}

TEST_F(MainWindowTest, ATagTheEngineCannotEvaluateIsNamedAndTheViewStillLoads) {
  {
    data::Table t(folder.toStdString(), "AGENDA.DBF");
    t.Create(AgendaFieldDefs(), {{"ID", "ID", true}, {"FECHA_INI", "FECHA_INI", false}, {"RARO", "UPPER(HORA_FIN)", false}});
  }
  AddCita(1, D(12, 3, 2004), "10:00", D(12, 3, 2004), "11:00", "Reunión");
  // Another program's function in the tag's expression.
  ASSERT_FALSE(testdata::ReplaceInFile((folder + "AGENDA.MDX").toStdString(), "UPPER(HORA_FIN)",
                                        std::string("SOUNDEX(HORA_FIN)") + '\0')
                   .empty());
  now = D(15, 3, 2004) + dt::EncodeTime(9, 0);
  Start();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith("La tabla de citas se ha abierto solo para lectura")) << messages[0].toStdString();
  EXPECT_TRUE(messages[0].contains("RARO") && messages[0].contains("SOUNDEX(HORA_FIN)")) << messages[0].toStdString();
  EXPECT_NE(frm->ItemDeID(1), nullptr);
}
