#pragma once
// The main window's fixture for undo and redo: a table with two
// appointments (one with notes, place and category), and what another copy
// does to them through a table handle of its own.
#include <QAction>
#include <functional>
#include <string>

#include "MainWindowFixture.h"
#include "support/Dbfread.h"

namespace undo_test {
const TDate kDia = dt::EncodeDate(2004, 3, 12);
inline TDateTime A(TDate d, int h, int m = 0) { return d + dt::EncodeTime(h, m); }

// The action's caption as the menu shows it.
inline QString Visible(const QAction* a) {
  QString t = a->text();
  t.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  t.remove(u'&');
  t.replace(u'\x01', u'&');
  return t;
}

class MainWindowUndoTest : public MainWindowTest {
 public:
  // For the tables of cases of the tests.
  using MainWindowTest::answer;
  using MainWindowTest::editor;
  using MainWindowTest::frm;
  using MainWindowTest::messages;

 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    LlenarTabla();
  }

 public:
  void LlenarTabla() {
    CrearTablaAgenda(folder);
    AddCita(2, kDia, "16:00", kDia, "17:00", "Otra");
    AddCita(4, kDia, "10:00", kDia, "11:00", "Dentista", 15);
    Cambiar(4, "NOTAS", "Traer la tarjeta\r\ny el volante");
    Cambiar(4, "LUGAR", "Centro de salud");
    Cambiar(4, "TIPO", "2");
  }
  // What another copy does to a record, through a table handle of its own.
  void Cambiar(int id, const char* campo, const std::string& valor) {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(id));
    t.Edit();
    t.FieldByName(campo).SetAsString(valor);
    ASSERT_TRUE(t.Post());
  }
  void Borrar(int id) {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(id));
    t.Delete();
  }
  // Every live record, every field, as dbfread reads the files.
  std::string Tabla() const {
    return SalidaDbfread("for r in dbfread.DBF(sys.argv[1], encoding='cp1252'):\n"
                         "  print(int(r['ID']), r['FECHA_INI'], r['FECHA_FIN'], r['HORA_INI'], r['HORA_FIN'],"
                         " repr(r['ASUNTO']), repr(r['LUGAR']), repr(r['NOTAS']), int(r['AVISO']), int(r['TIPO']),"
                         " r['F_AVISO'], r['H_AVISO'])",
                         folder + "AGENDA.DBF")
        .toStdString();
  }

 public:
  void Mover(int id, TDateTime desde, TDateTime hasta) {
    TRBTimeViewItem* it = frm->ItemDeID(id);
    ASSERT_NE(it, nullptr);
    it->SetTimes(desde, hasta);
    frm->TimeViewDragged(it, dmEnd);
  }

 protected:
  TRBTimeView* tv() const { return frm->TimeView; }
};

inline void MoverYCambiar(MainWindowUndoTest& t) {
  t.Mover(4, A(kDia, 12), A(kDia, 13));
  t.Cambiar(4, "ASUNTO", "Dentista (cambiado)");
}
inline void MoverYBorrar(MainWindowUndoTest& t) {
  t.Mover(4, A(kDia, 12), A(kDia, 13));
  t.Borrar(4);
}
inline void CrearYCambiar(MainWindowUndoTest& t) {
  TRBTimeViewItem* it = t.frm->TimeView->Items()->Add(QString(), false, A(kDia, 13), A(kDia, 13, 30));
  t.frm->TimeViewCreatedOnType(it);
  QString texto = "Farmacia";
  t.frm->TimeViewEditedItem(it, texto);
  t.Cambiar(5, "ASUNTO", "Farmacia y más");
}
}  // namespace undo_test
