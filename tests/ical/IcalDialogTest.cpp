// The import and export dialogs, driven through their controls.
#include <QDateEdit>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QComboBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "IcalFixture.h"
#include "app/Help.h"
#include "dialogs/CampoFecha.h"
#include "dialogs/UImportarIcal.h"
#include "reports/UExportarIcal.h"

namespace {

class IcalDialogTest : public IcalTest {
 protected:
  QString Escribir(const QByteArray& datos) {
    const QString f = dir.filePath(QStringLiteral("entrada.ics"));
    QFile file(f);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(datos);
    return f;
  }
};

TEST_F(IcalDialogTest, ImportShowsTheCountForTheWindowBeforeStoringThenTheSummary) {
  TfrmImportarIcal dlg(Escribir(Fixture("otro-programa.ics")), [this](TDate, TDate) { avisos << "aviso"; });
  QSignalSpy fin(&dlg, &QDialog::finished);
  EXPECT_EQ(Help::HelpContext(&dlg), 22);
  dlg.show();
  QTRY_VERIFY(dlg.btnImportar->isEnabled());
  EXPECT_TRUE(dlg.lblPrevio->text().startsWith(QStringLiteral("Se guardarán 9 citas."))) << dlg.lblPrevio->text().toStdString();
  EXPECT_TRUE(dlg.lblPrevio->text().contains(QStringLiteral("1 tarea (VTODO)")));
  EXPECT_EQ(Registros(folder), 0) << "nothing is stored before Importar";

  // A shorter window keeps two of the four weekly occurrences.
  PonerCampoFecha(dlg.edtHastaFecha, dt::EncodeDate(2026, 3, 15));
  EXPECT_TRUE(dlg.lblPrevio->text().startsWith(QStringLiteral("Se guardarán 7 citas.")));

  QTest::mouseClick(dlg.btnImportar, Qt::LeftButton);
  ASSERT_EQ(fin.count(), 1);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_TRUE(dlg.Guardado());
  EXPECT_EQ(Registros(folder), 7);
  EXPECT_EQ(dlg.pbAvance->value(), 100);
  ASSERT_FALSE(messages.isEmpty());
  EXPECT_TRUE(messages.last().contains(QStringLiteral("Citas añadidas: 7"))) << messages.last().toStdString();
  EXPECT_EQ(avisos.size(), 1);
}

TEST_F(IcalDialogTest, TheCountFollowsTheDatesShowsProgressAndCanBeCancelled) {
  // Only a repeating event: a window without its days gives nothing to import.
  QByteArray datos = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
  for (int i = 0; i < 600; ++i)
    datos += "BEGIN:VEVENT\r\nUID:r" + QByteArray::number(i) +
             "\r\nDTSTART:20300105T100000\r\nRRULE:FREQ=WEEKLY;COUNT=2\r\nSUMMARY:x\r\nEND:VEVENT\r\n";
  datos += "END:VCALENDAR\r\n";
  TfrmImportarIcal dlg(Escribir(datos), {});
  dlg.show();
  QTRY_VERIFY(dlg.lblPrevio->text().contains(QStringLiteral("Se guardarán 0 citas.")));
  EXPECT_FALSE(dlg.btnImportar->isEnabled());

  // Widening the window counts again, though nothing was to import before.
  PonerCampoFecha(dlg.edtHastaFecha, dt::EncodeDate(2030, 12, 31));
  EXPECT_TRUE(dlg.lblPrevio->text().startsWith(QStringLiteral("Se guardarán 1200 citas."))) << dlg.lblPrevio->text().toStdString();
  EXPECT_TRUE(dlg.btnImportar->isEnabled());
  EXPECT_EQ(dlg.pbAvance->value(), 100);

  // "Cancelar" while counting stops the count and leaves nothing to import.
  QTimer::singleShot(0, dlg.btnCancel, [&dlg] { QTest::mouseClick(dlg.btnCancel, Qt::LeftButton); });
  PonerCampoFecha(dlg.edtHastaFecha, dt::EncodeDate(2030, 12, 30));
  EXPECT_TRUE(dlg.lblPrevio->text().startsWith(QStringLiteral("Recuento cancelado"))) << dlg.lblPrevio->text().toStdString();
  EXPECT_FALSE(dlg.btnImportar->isEnabled());
  EXPECT_TRUE(dlg.isVisible()) << "cancelling a count does not close the dialog";
}

TEST_F(IcalDialogTest, AMalformedFileIsReportedWithItsLineAndTheDialogStoresNothing) {
  TfrmImportarIcal dlg(Escribir(Fixture("otro-programa.ics").left(900)), {});
  QSignalSpy fin(&dlg, &QDialog::finished);
  dlg.show();
  QTRY_COMPARE(fin.count(), 1);
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].contains(QStringLiteral("No se ha guardado nada"))) << messages[0].toStdString();
  EXPECT_TRUE(messages[0].contains(QStringLiteral("línea"))) << messages[0].toStdString();
  EXPECT_EQ(Registros(folder), 0);
  EXPECT_EQ(Registros(folder, "ICALUID"), -1) << "not even the side table is made";
}

TEST_F(IcalDialogTest, ExportWritesTheChosenCategoryOfTheRange) {
  const QString fichero = dir.filePath(QStringLiteral("salida.ics"));
  for (const auto& [id, tipo, asunto] : {std::tuple{1, 1, "Trabajo del lunes"}, std::tuple{2, 2, "Casa del lunes"}}) {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    t.Append();
    t.FieldByName("ID").SetAsInteger(id);
    t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2026, 3, 9));
    t.FieldByName("FECHA_FIN").SetAsDate(dt::EncodeDate(2026, 3, 9));
    t.FieldByName("HORA_INI").SetAsString("10:00");
    t.FieldByName("HORA_FIN").SetAsString("11:00");
    t.FieldByName("ASUNTO").SetAsString(asunto);
    t.FieldByName("TIPO").SetAsInteger(tipo);
    ASSERT_TRUE(t.Post());
  }
  TfrmExportarIcal dlg;
  EXPECT_EQ(Help::HelpContext(&dlg), 22);
  dlg.ElegirFichero = [&](QWidget*) { return fichero; };
  dlg.SetDesdeFecha(dt::EncodeDate(2026, 3, 9));
  dlg.SetHastaFecha(dt::EncodeDate(2026, 3, 8));
  dlg.show();
  ASSERT_EQ(dlg.cbbCategoria->count(), 4);  // (Todas), Normal, Trabajo, Casa
  dlg.cbbCategoria->setCurrentIndex(3);
  QTest::mouseClick(dlg.btnExportar, Qt::LeftButton);
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith(QStringLiteral("La fecha hasta debe ser mayor")));
  EXPECT_FALSE(QFileInfo::exists(fichero));

  dlg.SetHastaFecha(dt::EncodeDate(2026, 3, 9));
  QTest::mouseClick(dlg.btnExportar, Qt::LeftButton);
  ASSERT_EQ(messages.size(), 2);
  EXPECT_TRUE(messages[1].startsWith(QStringLiteral("Se ha exportado 1 cita a"))) << messages[1].toStdString();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  QFile f(fichero);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray ics = f.readAll();
  EXPECT_TRUE(ics.contains("SUMMARY:Casa del lunes"));
  EXPECT_FALSE(ics.contains("Trabajo del lunes"));
}

}  // namespace
