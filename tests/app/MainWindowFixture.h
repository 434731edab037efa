#pragma once
// A main window started on a temporary program folder and data folder, with
// the clock, the message boxes, the appointment editor and the change
// notices answered by the test.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "app/ALMailSlot.h"
#include "app/AppPaths.h"
#include "app/UAgendaUtil.h"
#include "app/UConfigAgenda.h"
#include "app/UMainAgenda.h"
#include "calendar/RBCalendar.h"
#include "core/Clock.h"
#include "core/DateFormat.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "timeview/RBTimeView.h"

// A record of AGENDA as a test checks it, read through a table handle of its own.
struct Registro {
  int id = 0;
  QString fi, hi, ff, hf, asunto, faviso, haviso;
  int aviso = 0, tipo = 0;
};

inline Registro Leer(const QString& folder, int id) {
  data::Table t(folder.toStdString(), "AGENDA");
  t.Open();
  t.SetIndexName("ID");
  Registro r;
  if (!t.FindKey(id)) return r;
  r.id = id;
  r.fi = FormatDateTime("dd/mm/yyyy", t.FieldByName("FECHA_INI").AsDate());
  r.ff = FormatDateTime("dd/mm/yyyy", t.FieldByName("FECHA_FIN").AsDate());
  r.hi = QString::fromStdString(t.FieldByName("HORA_INI").AsString());
  r.hf = QString::fromStdString(t.FieldByName("HORA_FIN").AsString());
  r.asunto = QString::fromStdString(t.FieldByName("ASUNTO").AsString());
  r.faviso = FormatDateTime("dd/mm/yyyy", t.FieldByName("F_AVISO").AsDate());
  r.haviso = QString::fromStdString(t.FieldByName("H_AVISO").AsString());
  r.aviso = static_cast<int>(t.FieldByName("AVISO").AsInteger());
  r.tipo = static_cast<int>(t.FieldByName("TIPO").AsInteger());
  return r;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program.isValid() && datos.isValid());
    folder = datos.path() + "/";
    AppPaths::SetProgramFolder(program.path());
    Clock::SetSource([this] { return now; });
    SetMessageAnswerer([this](const MessageRequest& r) {
      messages << r.text;
      return answer;
    });
    SetNoticeWait([](int) {});
    SetMailSlotSender([this](const MailSlotDatagram& d) {
      notices.push_back(QString::fromLatin1(d.data).split("\r\n"));
      return true;
    });
  }
  void TearDown() override {
    frm.reset();
    AppPaths::SetProgramFolder(QString());
    Clock::SetSource({});
    SetMessageAnswerer({});
    SetNoticeWait({});
    SetMailSlotSender({});
  }
  void WriteConfig(const QByteArray& extra = {}) {
    QFile ini(program.filePath("config.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[General]\nDataPath=" + folder.toUtf8() + "\nWindowState=0\nShowReminder=0\n" + extra);
  }
  void Start(const QByteArray& extra = {}) {
    WriteConfig(extra);
    frm = std::make_unique<TfrmAgenda>();
    frm->EditCitaFn = [this](data::Table& t) { return editor ? editor(t) : false; };
    frm->resize(1000, 700);
    frm->show();
    frm->MailSlot->SetMailBox(BuzonDePrueba());
  }
  // The windows of this test run listen on a mailslot of their own, so that
  // the notices of other programs on this computer never reach them.
  static QString BuzonDePrueba() {
    return "T" + QString("%1").arg(QCoreApplication::applicationPid() % 10000000, 7, 10, QChar('0'));
  }
  // Stores an appointment through a table handle of its own, as another copy would.
  void AddCita(int id, TDate fi, const char* hi, TDate ff, const char* hf, const char* asunto, int aviso = 1) {
    AddCitaEn(folder, id, fi, hi, ff, hf, asunto, aviso);
  }
  // The same in the AGENDA table of another folder, with its category.
  static void AddCitaEn(const QString& carpeta, int id, TDate fi, const char* hi, TDate ff, const char* hf,
                        const char* asunto, int aviso = 1, int tipo = 0) {
    data::Table t(carpeta.toStdString(), "AGENDA");
    t.Open();
    t.Append();
    t.FieldByName("ID").SetAsInteger(id);
    t.FieldByName("FECHA_INI").SetAsDate(fi);
    t.FieldByName("FECHA_FIN").SetAsDate(ff);
    t.FieldByName("HORA_INI").SetAsString(hi);
    t.FieldByName("HORA_FIN").SetAsString(hf);
    t.FieldByName("ASUNTO").SetAsString(asunto);
    t.FieldByName("AVISO").SetAsInteger(aviso);
    t.FieldByName("TIPO").SetAsInteger(tipo);
    ASSERT_TRUE(t.Post());
  }
  static TDate D(int d, int m, int y) { return dt::EncodeDate(y, m, d); }

  QTemporaryDir program, datos;
  QString folder;
  TDateTime now = dt::EncodeDate(2004, 3, 12) + dt::EncodeTime(10, 7);
  QStringList messages;
  int answer = mrYes;
  std::vector<QStringList> notices;
  std::function<bool(data::Table&)> editor;
  std::unique_ptr<TfrmAgenda> frm;
};
