#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "ConfigTestSupport.h"
#include "app/Autostart.h"
#include "app/Help.h"
#include "app/UAgendaUtil.h"
#include "app/UConfigAgenda.h"
#include "controls/EllipsLabel.h"
#include "dialogs/AdvSpin.h"
#include "dialogs/ColorSwatch.h"
#include "dialogs/UConfig.h"

namespace {
TTime HM(int h, int m) { return dt::EncodeTime(h, m, 0); }

QRadioButton* Radio(TfrmConfig& frm, int i) { return frm.rgWindowState->findChildren<QRadioButton*>().at(i); }

std::vector<QCheckBox*> Dias(TfrmConfig& frm) {
  return {frm.cbxWTLun, frm.cbxWTMar, frm.cbxWTMie, frm.cbxWTJue, frm.cbxWTVie, frm.cbxWTSab, frm.cbxWTDom};
}

std::vector<bool*> DiasConfig() {
  TConfigAgenda& c = ConfigAgenda;
  return {&c.WorkLun, &c.WorkMar, &c.WorkMie, &c.WorkJue, &c.WorkVie, &c.WorkSab, &c.WorkDom};
}

void ShowActive(QWidget& w) {
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}
}  // namespace

TEST_F(ConfigDialogTest, ControlsCarryTheirTextsAndHelp) {
  TfrmConfig frm;
  EXPECT_EQ(frm.windowTitle(), "Configuración");
  EXPECT_EQ(Help::HelpContext(&frm), 13);
  EXPECT_EQ(Help::HelpContext(frm.lbCategorias), 14);
  EXPECT_EQ(frm.minimumSize(), frm.maximumSize());
  EXPECT_GE(frm.width(), 390);
  EXPECT_GE(frm.height(), 277);
  EXPECT_EQ(frm.pcConfig->tabText(0), "General");
  EXPECT_EQ(frm.pcConfig->tabText(1), "Categorías");
  EXPECT_EQ(frm.rgWindowState->title(), " Ventana ");
  EXPECT_EQ(Radio(frm, 0)->text(), "Normal");
  EXPECT_EQ(Radio(frm, 1)->text(), "Maximizada");
  EXPECT_EQ(frm.gbWorkTime->title(), " Horario laboral ");
  const char* dias[] = {"lun", "mar", "mie", "jue", "vie", "sáb", "dom"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(Dias(frm)[i]->text(), QString::fromUtf8(dias[i]));
  // Weekdays fill the first row, the weekend the second.
  frm.show();
  EXPECT_EQ(frm.cbxWTVie->y(), frm.cbxWTLun->y());
  EXPECT_GT(frm.cbxWTSab->y(), frm.cbxWTLun->y());
  EXPECT_EQ(frm.edtWorkTimeFrom->LabelCaption(), "Desde");
  EXPECT_EQ(frm.edtWorkTimeTo->LabelCaption(), "Hasta");
  for (TAdvSpinEdit* e : {frm.edtWorkTimeFrom, frm.edtWorkTimeTo}) {
    EXPECT_FALSE(e->ShowSeconds());
    EXPECT_EQ(e->IncrementMinutes(), 30);
    EXPECT_EQ(e->IncrementHours(), 1);
    EXPECT_EQ(e->SpinType(), sptTime);
  }
  EXPECT_EQ(frm.shColorFondoWT->size(), QSize(21, 17));
  EXPECT_EQ(frm.shMarkDayColor->size(), QSize(21, 17));
  EXPECT_EQ(frm.btnSetColorWT->toolTip(), "Selecciona color fondo \nhorario laboral");
  EXPECT_EQ(frm.btnMarkDayColor->toolTip(), "Selecciona color fondo \ndías con citas");
  EXPECT_EQ(frm.btnPathDatos->toolTip(), "Selecciona directorio datos");
  EXPECT_EQ(frm.chkMostrarAvisos->text(), "Mostrar avisos");
  EXPECT_EQ(frm.chkWindowsRun->text(), "Iniciar al arrancar Windows");
  EXPECT_EQ(frm.chkAvisarRed->text(), "Avisar a otros equipos de la red");
  EXPECT_EQ(frm.lblDirDatos->EllipsType(), etPathEllips);
  EXPECT_EQ(frm.btnNewCate->text(), "Nueva");
  EXPECT_EQ(frm.btnEditCate->text(), "Editar");
  EXPECT_EQ(frm.btnDelCate->text(), "Borrar");
  EXPECT_EQ(frm.btnOk->text(), "&Aceptar");
  EXPECT_EQ(frm.BitBtn1->text(), "Cancelar");
}

TEST_F(ConfigDialogTest, ShowLoadsTheSettingsAndAceptarStoresAndSavesThem) {
  struct Settings {
    int windowState;
    bool showReminder;
    TTime from, to;
    bool dias[7];
    TColor workColor, markColor;
    bool windowsRun;
    bool notifyNetwork;
  } cases[] = {
      {0, true, HM(9, 0), HM(20, 0), {true, true, true, true, true, false, false}, clInfoBk, clInfoBk, false, false},
      {1, false, HM(7, 30), HM(15, 0), {false, true, false, true, false, true, true}, clRed, RGBColor(1, 2, 3), true,
       true},
  };
  for (const Settings& s : cases) {
    SCOPED_TRACE(s.windowState);
    TConfigAgenda& c = ConfigAgenda;
    c.WindowState = s.windowState;
    c.ShowReminder = s.showReminder;
    c.BeginWorkTime = s.from;
    c.EndWorkTime = s.to;
    for (int i = 0; i < 7; ++i) *DiasConfig()[i] = s.dias[i];
    c.WorkTimeColor = s.workColor;
    c.MarkDayColor = s.markColor;
    c.WindowsRun = s.windowsRun;
    c.NotifyNetwork = s.notifyNetwork;

    TfrmConfig frm;
    frm.pcConfig->setCurrentIndex(1);
    ShowActive(frm);
    EXPECT_EQ(frm.pcConfig->currentWidget(), frm.tsGeneral);
    EXPECT_EQ(frm.WindowStateIndex(), s.windowState);
    EXPECT_TRUE(Radio(frm, s.windowState)->isChecked());
    EXPECT_EQ(frm.chkMostrarAvisos->isChecked(), s.showReminder);
    EXPECT_EQ(frm.edtWorkTimeFrom->TimeValue(), s.from);
    EXPECT_EQ(frm.edtWorkTimeTo->TimeValue(), s.to);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(Dias(frm)[i]->isChecked(), s.dias[i]) << i;
    EXPECT_EQ(frm.shColorFondoWT->Color(), s.workColor);
    EXPECT_EQ(frm.shMarkDayColor->Color(), s.markColor);
    EXPECT_EQ(frm.chkWindowsRun->isChecked(), s.windowsRun);
    EXPECT_EQ(frm.chkAvisarRed->isChecked(), s.notifyNetwork);
    EXPECT_EQ(frm.lblDirDatos->Caption(), folder);

    // Every control changed, then stored by "Aceptar".
    Radio(frm, 1 - s.windowState)->click();
    frm.chkMostrarAvisos->click();
    frm.edtWorkTimeFrom->setText("06:30");
    frm.edtWorkTimeTo->setText("23:00");
    for (QCheckBox* b : Dias(frm)) b->click();
    frm.chkWindowsRun->click();
    frm.chkAvisarRed->click();
    colorAnswer = RGBColor(200, 100, 50);
    frm.btnSetColorWT->click();
    colorAnswer = RGBColor(50, 100, 200);
    frm.btnMarkDayColor->click();
    frm.btnOk->click();
    EXPECT_EQ(frm.result(), QDialog::Accepted);
    EXPECT_FALSE(frm.isVisible());

    EXPECT_EQ(c.WindowState, 1 - s.windowState);
    EXPECT_EQ(c.ShowReminder, !s.showReminder);
    EXPECT_EQ(c.BeginWorkTime, HM(6, 30));
    EXPECT_EQ(c.EndWorkTime, HM(23, 0));
    for (int i = 0; i < 7; ++i) EXPECT_EQ(*DiasConfig()[i], !s.dias[i]) << i;
    EXPECT_EQ(c.WorkTimeColor, RGBColor(200, 100, 50));
    EXPECT_EQ(c.MarkDayColor, RGBColor(50, 100, 200));
    EXPECT_EQ(c.WindowsRun, !s.windowsRun);
    EXPECT_EQ(c.NotifyNetwork, !s.notifyNetwork);
    EXPECT_EQ(c.DataPath, folder);

    // config.ini and the autostart entry hold what was stored.
    const TConfigAgenda stored = c;
    ConfigAgenda = TConfigAgenda{};
    CargarConfig();
    EXPECT_EQ(ConfigAgenda.WindowState, stored.WindowState);
    EXPECT_EQ(ConfigAgenda.BeginWorkTime, stored.BeginWorkTime);
    EXPECT_EQ(ConfigAgenda.WorkSab, stored.WorkSab);
    EXPECT_EQ(ConfigAgenda.MarkDayColor, stored.MarkDayColor);
    EXPECT_EQ(ConfigAgenda.WindowsRun, stored.WindowsRun);
    EXPECT_EQ(ConfigAgenda.NotifyNetwork, stored.NotifyNetwork);
    QFile entry(Autostart::EntryFile());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_EQ(entry.readAll().contains("Hidden=true"), !stored.WindowsRun);
  }
}

TEST_F(ConfigDialogTest, CancelarAndEscStoreNothing) {
  for (bool esc : {false, true}) {
    SCOPED_TRACE(esc);
    ConfigAgenda.WindowState = 0;
    ConfigAgenda.BeginWorkTime = HM(9, 0);
    TfrmConfig frm;
    ShowActive(frm);
    Radio(frm, 1)->click();
    frm.edtWorkTimeFrom->setText("10:00");
    colorAnswer = clRed;
    frm.btnSetColorWT->click();
    folderAnswer = dir.path() + "/otra";
    frm.btnPathDatos->click();
    if (esc) {
      QTest::keyClick(&frm, Qt::Key_Escape);
    } else {
      frm.BitBtn1->click();
    }
    EXPECT_EQ(frm.result(), QDialog::Rejected);
    EXPECT_FALSE(frm.isVisible());
    EXPECT_EQ(ConfigAgenda.WindowState, 0);
    EXPECT_EQ(ConfigAgenda.BeginWorkTime, HM(9, 0));
    EXPECT_EQ(ConfigAgenda.WorkTimeColor, 0);
    EXPECT_EQ(ConfigAgenda.DataPath, folder);
    EXPECT_FALSE(QFile::exists(ConfigFileName()));
  }
}

TEST_F(ConfigDialogTest, FolderPickerOpensOnTheLabelAndTheFolderIsStoredWithASeparator) {
  TfrmConfig frm;
  ShowActive(frm);
  folderAnswer.clear();  // cancelled
  frm.btnPathDatos->click();
  ASSERT_EQ(folderRequests.size(), 1u);
  EXPECT_EQ(folderRequests[0].caption, "Seleccione directorio datos");
  EXPECT_EQ(folderRequests[0].initial, folder);
  EXPECT_EQ(frm.lblDirDatos->Caption(), folder);

  folderAnswer = dir.path() + "/Datos";
  frm.btnPathDatos->click();
  EXPECT_EQ(frm.lblDirDatos->Caption(), dir.path() + "/Datos");
  frm.btnOk->click();
  EXPECT_EQ(ConfigAgenda.DataPath, dir.path() + "/Datos/");  // a second one is never added

  TfrmConfig again;
  ShowActive(again);
  again.btnOk->click();
  EXPECT_EQ(ConfigAgenda.DataPath, dir.path() + "/Datos/");
}

TEST_F(ConfigDialogTest, ColourButtonsOpenThePickerOnTheirSwatch) {
  ConfigAgenda.WorkTimeColor = clInfoBk;
  ConfigAgenda.MarkDayColor = clYellow;
  TfrmConfig frm;
  ShowActive(frm);
  frm.btnSetColorWT->click();  // cancelled: nothing changes
  frm.btnMarkDayColor->click();
  ASSERT_EQ(colorRequests.size(), 2u);
  EXPECT_EQ(colorRequests[0].initial, clInfoBk);
  EXPECT_EQ(colorRequests[1].initial, clYellow);
  EXPECT_EQ(frm.shColorFondoWT->Color(), clInfoBk);
  EXPECT_EQ(frm.shMarkDayColor->Color(), clYellow);
  // The swatch paints its colour.
  EXPECT_EQ(frm.shMarkDayColor->grab().toImage().pixelColor(10, 8), ToQColor(clYellow));
  frm.btnOk->click();
  EXPECT_EQ(ConfigAgenda.WorkTimeColor, clInfoBk);  // a system colour stays one
}

TEST_F(ConfigDialogTest, StartAfterEndIsStoredAsChosen) {
  TfrmConfig frm;
  ShowActive(frm);
  frm.edtWorkTimeFrom->SetTimeValue(HM(18, 0));
  frm.edtWorkTimeTo->SetTimeValue(HM(8, 0));
  frm.btnOk->click();
  EXPECT_EQ(ConfigAgenda.BeginWorkTime, HM(18, 0));
  EXPECT_EQ(ConfigAgenda.EndWorkTime, HM(8, 0));
}

TEST_F(ConfigDialogTest, ChangingPagesFocusesTheirFirstControl) {
  ConfigAgenda.WindowState = 1;
  TfrmConfig frm;
  ShowActive(frm);
  frm.pcConfig->setCurrentWidget(frm.tsCategorias);
  EXPECT_EQ(QApplication::focusWidget(), frm.lbCategorias);
  frm.lbCategorias->clearSelection();
  frm.pcConfig->setCurrentWidget(frm.tsGeneral);
  EXPECT_EQ(QApplication::focusWidget(), Radio(frm, 1));
  frm.pcConfig->setCurrentWidget(frm.tsCategorias);
  EXPECT_EQ(frm.lbCategorias->currentRow(), 0);
  EXPECT_TRUE(frm.lbCategorias->item(0)->isSelected());
}

TEST_F(ConfigDialogTest, EjecutarConfiguracionTellsWhetherItWasAccepted) {
  for (bool aceptar : {false, true}) {
    WhenModalOpens<TfrmConfig>([&](TfrmConfig& frm) {
      frm.chkMostrarAvisos->setChecked(true);
      (aceptar ? frm.btnOk : frm.BitBtn1)->click();
    });
    EXPECT_EQ(EjecutarConfiguracion(nullptr), aceptar);
    EXPECT_EQ(ConfigAgenda.ShowReminder, aceptar);
  }
}

TEST_F(ConfigDialogTest, F1OpensTheHelpOfTheDialogOrOfTheCategoryList) {
  ASSERT_TRUE(QDir(folder).mkpath("help"));
  QFile page(folder + "help/index.html");
  ASSERT_TRUE(page.open(QIODevice::WriteOnly));
  page.close();
  std::vector<QUrl> opened;
  SetShellOpener([&](const QUrl& url) {
    opened.push_back(url);
    return true;
  });
  Help::InstallF1Handler(qApp);
  TfrmConfig frm;
  ShowActive(frm);
  frm.chkMostrarAvisos->setFocus();
  QTest::keyClick(frm.chkMostrarAvisos, Qt::Key_F1);
  frm.pcConfig->setCurrentWidget(frm.tsCategorias);
  QTest::keyClick(frm.lbCategorias, Qt::Key_F1);
  SetShellOpener({});
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0].fragment(), "ctx13");
  EXPECT_EQ(opened[1].fragment(), "ctx14");
}
