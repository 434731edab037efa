#pragma once
// A data folder with real AGENDA and CATEGORIAS tables, the categories list
// loaded, messages answered and recorded, and the clock set.
#include <QApplication>
#include <algorithm>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "support/CategoriaRows.h"

struct Cita {
  int id = 1;
  TDate fechaIni = 0;
  const char* horaIni = "10:00";
  TDate fechaFin = 0;  // 0: as fechaIni
  const char* horaFin = "11:00";
  const char* asunto = "Reunión";
  int aviso = 0;
  int tipo = 0;
  TDate fAviso = 0;  // 0: as fechaIni
  const char* hAviso = "";
  const char* notas = "";
  const char* lugar = "";
};

class AgendaFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    folder = dir.path() + "/";
    ConfigAgenda = TConfigAgenda{};
    ConfigAgenda.DataPath = folder;
    CrearTablaAgenda(folder);
    ASSERT_TRUE(CrearTablaCategorias(folder));
    SetMessageAnswerer([this](const MessageRequest& r) {
      messages.push_back(r.text);
      types.push_back(r.type);
      return answer;
    });
    SetNow(dt::EncodeDate(2004, 3, 10) + dt::EncodeTime(12, 0, 0));
    CargarCategorias();
  }
  void TearDown() override {
    SetMessageAnswerer({});
    Clock::SetSource({});
    Categorias.reset();
  }

  void SetNow(TDateTime now) {
    Clock::SetSource([now] { return now; });
  }

  // Adds categories after "Normal" (ID 0) and reloads the list.
  void AddCategoria(int id, const char* nombre, TColor color) {
    ASSERT_TRUE(StoreCategoria(folder, id, QString::fromUtf8(nombre), color));
    filas.push_back(TCategoria{id, QString::fromUtf8(nombre), color});
    std::sort(filas.begin(), filas.end(), [](const TCategoria& a, const TCategoria& b) { return a.ID < b.ID; });
    CargarCategorias();
  }
  // The global list as loading the table gives it: the rows in ID order.
  // Built here from what the test wrote, so the dialogs' tests depend only
  // on the list they read.
  void CargarCategorias() {
    Categorias = std::make_unique<TCategorias>();
    for (const TCategoria& c : filas) *Categorias->Nueva() = c;
  }

  // AGENDA opened on its ID index.
  std::unique_ptr<data::Table> Agenda() {
    auto t = std::make_unique<data::Table>(folder.toStdString(), "AGENDA");
    t->Open();
    t->SetIndexName("ID");
    return t;
  }

  void Append(data::Table& t, const Cita& c) {
    t.Append();
    t.FieldByName("ID").SetAsInteger(c.id);
    t.FieldByName("FECHA_INI").SetAsDate(c.fechaIni);
    t.FieldByName("FECHA_FIN").SetAsDate(c.fechaFin ? c.fechaFin : c.fechaIni);
    t.FieldByName("HORA_INI").SetAsString(c.horaIni);
    t.FieldByName("HORA_FIN").SetAsString(c.horaFin);
    t.FieldByName("ASUNTO").SetAsString(c.asunto);
    t.FieldByName("LUGAR").SetAsString(c.lugar);
    t.FieldByName("NOTAS").SetAsString(c.notas);
    t.FieldByName("AVISO").SetAsInteger(c.aviso);
    t.FieldByName("TIPO").SetAsInteger(c.tipo);
    t.FieldByName("F_AVISO").SetAsDate(c.fAviso ? c.fAviso : c.fechaIni);
    t.FieldByName("H_AVISO").SetAsString(c.hAviso);
  }

  void AddCita(const Cita& c) {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    Append(t, c);
    ASSERT_TRUE(t.Post());
    t.Close();
  }

  // Runs Accion on the modal window of type W as soon as it is shown.
  template <class W>
  static void AlMostrar(std::function<void(W&)> Accion) {
    QTimer::singleShot(0, [Accion] {
      auto* w = dynamic_cast<W*>(QApplication::activeModalWidget());
      ASSERT_NE(w, nullptr) << "no modal window of the expected kind";
      Accion(*w);
    });
  }

  std::vector<TCategoria> filas{TCategoria{0, QStringLiteral("Normal"), kColorNormal}};
  QTemporaryDir dir;
  QString folder;
  QStringList messages;
  std::vector<TMsgDlgType> types;
  int answer = mrOk;
};

inline TTime HM(int h, int m) { return dt::EncodeTime(h, m, 0); }
