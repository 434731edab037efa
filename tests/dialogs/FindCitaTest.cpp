#include <QDateEdit>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "dialogs/CampoFecha.h"
#include "dialogs/UFindCita.h"
#include "tests/dialogs/AgendaFixture.h"

namespace {

const TDate kHoy = dt::EncodeDate(2004, 3, 10);
const QString kMsgError =
    "Se ha producido un error realizando la consulta.\r\nSe vuelve a los resultados anteriores.";

class FindCitaTest : public AgendaFixture {
 protected:
  void SetUp() override {
    AgendaFixture::SetUp();
    SetNow(kHoy + HM(12, 0));
    AddCita({.id = 1, .fechaIni = kHoy - 30, .asunto = "Primer día del intervalo"});
    AddCita({.id = 2, .fechaIni = kHoy - 31, .asunto = "Antes del intervalo"});
    AddCita({.id = 3, .fechaIni = kHoy + 365, .asunto = "Último día del intervalo"});
    AddCita({.id = 4, .fechaIni = kHoy + 366, .asunto = "Después del intervalo"});
    AddCita({.id = 5, .fechaIni = kHoy, .asunto = "Dentista", .notas = "llevar la tarjeta"});
    AddCita({.id = 6, .fechaIni = kHoy, .asunto = "DENTISTA de guardia", .notas = "nada"});
    AddCita({.id = 7, .fechaIni = kHoy, .asunto = "Revisión", .notas = "Tarjeta con mayúscula"});
    AddCita({.id = 8, .fechaIni = kHoy, .asunto = "Banco", .notas = "RENOVAR TARJETA"});
    AddCita({.id = 9, .fechaIni = kHoy + 1, .asunto = "Comida con O'Brien", .notas = ""});
  }

  std::unique_ptr<TfrmFindCita> Mostrar() {
    auto frm = std::make_unique<TfrmFindCita>();
    frm->show();
    frm->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(frm.get()));
    return frm;
  }

  static std::vector<int> Ids(const TfrmFindCita& frm) {
    std::vector<int> ids;
    for (const auto& f : frm.Filas()) ids.push_back(f.ID);
    std::sort(ids.begin(), ids.end());
    return ids;
  }

  // Sets the text without waiting for the typing delay, then searches.
  static void BuscarTexto(TfrmFindCita& frm, const QString& texto) {
    frm.edtTexto->setText(texto);
    frm.tmrFind->stop();
    frm.Buscar();
  }
};

TEST_F(FindCitaTest, OpensListingTheDefaultRangeBothEndsIncluded) {
  auto frm = Mostrar();
  EXPECT_EQ(frm->windowTitle(), "Buscar cita");
  EXPECT_EQ(frm->size(), QSize(404, 341));
  EXPECT_EQ(frm->edtDesdeFecha->text(), TextoFecha(kHoy - 30));
  EXPECT_EQ(frm->edtHastaFecha->text(), TextoFecha(kHoy + 365));
  EXPECT_EQ(frm->edtTexto->text(), "");
  EXPECT_EQ(frm->edtTexto->toolTip(),
            "Escriba la palabra o palabras\r\nque desee buscar en el asunto\r\nde las citas.");
  EXPECT_EQ(QApplication::focusWidget(), frm->edtTexto);
  EXPECT_EQ(Ids(*frm), (std::vector<int>{1, 3, 5, 6, 7, 8, 9}));
  const QAbstractItemModel* m = frm->dbgAgenda->model();
  EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), "Fecha");
  EXPECT_EQ(m->headerData(1, Qt::Horizontal).toString(), "Hora");
  EXPECT_EQ(m->headerData(2, Qt::Horizontal).toString(), "Asunto");
  EXPECT_EQ(frm->dbgAgenda->columnWidth(2), 266);
  EXPECT_TRUE(messages.empty());
}

// A date typed whole into "Hasta" stays there: the year does not land in
// "Texto".
TEST_F(FindCitaTest, ADateTypedWithSeparatorsStaysInItsField) {
  auto frm = Mostrar();
  frm->edtHastaFecha->setFocus(Qt::TabFocusReason);
  QTest::keyClicks(frm->edtHastaFecha, "11/12/2026");
  EXPECT_EQ(frm->edtHastaFecha->text(), "11/12/2026");
  EXPECT_EQ(frm->edtTexto->text(), "");
  EXPECT_EQ(QApplication::focusWidget(), frm->edtHastaFecha);
}

TEST_F(FindCitaTest, SubjectMatchesInAnyCaseAndNotesAsTypedInCapitalsOrLowerCase) {
  auto frm = Mostrar();
  struct Case {
    const char* texto;
    std::vector<int> ids;
  } cases[] = {
      {"dentista", {5, 6}},
      {"DeNtIsTa", {5, 6}},
      {"tarjeta", {5, 8}},  // "Tarjeta" with a capital first letter is not found in the notes
      {"Tarjeta", {5, 7, 8}},  // as typed, in capitals and in lower case
      {"revisión", {7}},
      {"REVISIÓN", {}},  // only A-Z change case: the subject's "ó" stays small
      {"o'brien", {9}},    // a quote is looked for as typed
      {"'", {9}},
      {"x' OR '1'='1", {}},
      {"zzz", {}},
  };
  for (const Case& c : cases) {
    BuscarTexto(*frm, QString::fromUtf8(c.texto));
    EXPECT_EQ(Ids(*frm), c.ids) << c.texto;
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(FindCitaTest, AReversedRangeListsNothingWithoutError) {
  auto frm = Mostrar();
  PonerCampoFecha(frm->edtDesdeFecha, kHoy + 1);
  PonerCampoFecha(frm->edtHastaFecha, kHoy);
  frm->Buscar();
  EXPECT_TRUE(frm->Filas().empty());
  EXPECT_TRUE(messages.empty());
}

TEST_F(FindCitaTest, LeavingADateFieldSearchesAtOnceAndTypingAfterADelay) {
  auto frm = Mostrar();
  frm->edtDesdeFecha->setFocus();
  frm->edtDesdeFecha->setDate(QDateDe(kHoy + 1));
  EXPECT_EQ(Ids(*frm).size(), 7u);  // nothing yet: the field still has the focus
  frm->edtHastaFecha->setFocus();
  EXPECT_EQ(Ids(*frm), (std::vector<int>{3, 9}));

  frm->edtTexto->setFocus();
  QTest::keyClicks(frm->edtTexto, "Comida");
  EXPECT_TRUE(frm->tmrFind->isActive());
  EXPECT_EQ(frm->tmrFind->interval(), 500);
  EXPECT_EQ(Ids(*frm), (std::vector<int>{3, 9}));
  QTRY_COMPARE_WITH_TIMEOUT(frm->Filas().size(), std::size_t(1), 3000);
  EXPECT_FALSE(frm->tmrFind->isActive());
  EXPECT_EQ(frm->Filas()[0].ID, 9);
}

TEST_F(FindCitaTest, AcceptHandsBackTheRowsIdAndDayOrMinusOneForAnEmptyList) {
  auto frm = Mostrar();
  BuscarTexto(*frm, "O'Brien");
  frm->btnOk->click();
  EXPECT_EQ(frm->result(), QDialog::Accepted);
  EXPECT_EQ(frm->CitaID(), 9);
  EXPECT_EQ(frm->CitaFecha(), kHoy + 1);

  auto vacio = Mostrar();
  BuscarTexto(*vacio, "no existe");
  vacio->btnOk->click();
  EXPECT_EQ(vacio->result(), QDialog::Accepted);
  EXPECT_EQ(vacio->CitaID(), -1);
  EXPECT_EQ(vacio->CitaFecha(), -1);

  auto cancelado = Mostrar();
  cancelado->btnCancel->click();
  EXPECT_EQ(cancelado->result(), QDialog::Rejected);
  EXPECT_EQ(cancelado->CitaID(), -1);
  EXPECT_EQ(cancelado->CitaFecha(), -1);
}

TEST_F(FindCitaTest, DoubleClickingARowAccepts) {
  auto frm = Mostrar();
  BuscarTexto(*frm, "dentista");
  ASSERT_EQ(frm->Filas().size(), 2u);
  const QRect r = frm->dbgAgenda->visualRect(frm->dbgAgenda->model()->index(1, 2));
  QTest::mouseClick(frm->dbgAgenda->viewport(), Qt::LeftButton, {}, r.center());
  QTest::mouseDClick(frm->dbgAgenda->viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(frm->result(), QDialog::Accepted);
  EXPECT_EQ(frm->CitaID(), frm->Filas()[1].ID);
}

TEST_F(FindCitaTest, AnEngineFailureKeepsThePreviousResults) {
  auto frm = Mostrar();
  BuscarTexto(*frm, "dentista");
  ASSERT_EQ(Ids(*frm), (std::vector<int>{5, 6}));
  ASSERT_TRUE(QFile::remove(folder + "AGENDA.DBF"));
  BuscarTexto(*frm, "tarjeta");
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages[0], kMsgError);
  EXPECT_EQ(types[0], mtError);
  EXPECT_EQ(Ids(*frm), (std::vector<int>{5, 6}));
  EXPECT_EQ(frm->dbgAgenda->model()->rowCount(), 2);
}

TEST_F(FindCitaTest, TheRowIndicatorMarksTheCurrentRowOnly) {
  auto frm = Mostrar();
  ASSERT_GE(frm->Filas().size(), 4u);
  QHeaderView* indicator = frm->dbgAgenda->verticalHeader();
  // Dark pixels of each row's indicator cell, as drawn.
  const auto marked = [&] {
    const QImage img = indicator->viewport()->grab().toImage();
    std::vector<int> rows;
    for (int row = 0; row < 4; ++row) {
      const int top = indicator->sectionViewportPosition(row), h = indicator->sectionSize(row);
      int dark = 0;
      for (int y = top; y < top + h && y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) dark += qGray(img.pixel(x, y)) < 80;
      if (dark > 3) rows.push_back(row);
    }
    return rows;
  };
  EXPECT_EQ(marked(), std::vector<int>{0});
  frm->dbgAgenda->setFocus();
  QTest::keyClick(frm->dbgAgenda, Qt::Key_Down);
  QTest::keyClick(frm->dbgAgenda, Qt::Key_Down);
  ASSERT_EQ(frm->dbgAgenda->currentIndex().row(), 2);
  EXPECT_EQ(marked(), std::vector<int>{2});
}

}  // namespace
