#include "ConfigTestSupport.h"

#include <ostream>

#include "app/AppPaths.h"
#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "data/Table.h"

void ConfigDialogTest::SetUp() {
  ASSERT_TRUE(dir.isValid());
  folder = dir.path() + "/";
  AppPaths::SetProgramFolder(folder);  // config.ini goes beside the data
  ConfigAgenda = TConfigAgenda{};
  ConfigAgenda.DataPath = folder;
  SetMessageAnswerer([this](const MessageRequest& r) {
    messages.push_back(r);
    return answer;
  });
  SetColorAnswerer([this](const ColorRequest& r) {
    colorRequests.push_back(r);
    return colorAnswer;
  });
  SetFolderAnswerer([this](const FolderRequest& r) {
    folderRequests.push_back(r);
    return folderAnswer;
  });
  ASSERT_TRUE(CrearTablaCategorias(folder));
  CrearTablaAgenda(folder);
  Categorias = std::make_unique<TCategorias>();
  Categorias->Cargar();
}

void ConfigDialogTest::TearDown() {
  SetMessageAnswerer({});
  SetColorAnswerer({});
  SetFolderAnswerer({});
  AppPaths::SetProgramFolder({});
  Categorias.reset();
}

QString ConfigDialogTest::OtraCarpeta() {
  others_.push_back(std::make_unique<QTemporaryDir>());
  const QString other = others_.back()->path() + "/";
  EXPECT_TRUE(CrearTablaCategorias(other));
  CrearTablaAgenda(other);
  return other;
}

void ConfigDialogTest::AddCita(const QString& carpeta, int id, int tipo) {
  data::Table t(carpeta.toStdString(), "AGENDA");
  t.Open();
  t.Append();
  t.FieldByName("ID").SetAsInteger(id);
  t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2026, 3, 2));
  t.FieldByName("FECHA_FIN").SetAsDate(dt::EncodeDate(2026, 3, 2));
  t.FieldByName("HORA_INI").SetAsString("09:00");
  t.FieldByName("HORA_FIN").SetAsString("10:00");
  t.FieldByName("TIPO").SetAsInteger(tipo);
  ASSERT_TRUE(t.Post());
  t.Close();
}

std::vector<ConfigDialogTest::Fila> ConfigDialogTest::FilasCategorias(const QString& carpeta) {
  std::vector<Fila> filas;
  data::Table t(carpeta.toStdString(), "CATEGORIAS");
  t.Open();
  t.SetIndexName("ID");
  for (t.First(); !t.Eof(); t.Next()) {
    filas.push_back({static_cast<int>(t.FieldByName("ID").AsInteger()),
                     QString::fromStdString(t.FieldByName("CATEGORIA").AsString()),
                     static_cast<TColor>(t.FieldByName("COLOR").AsInteger())});
  }
  t.Close();
  return filas;
}

int ConfigDialogTest::CategoriaGuardada(const QString& nombre, TColor color) {
  TCategoria* c = Categorias->Nueva();
  c->Nombre = nombre;
  c->Color = color;
  Categorias->Guardar();
  return c->ID;
}

std::ostream& operator<<(std::ostream& os, const ConfigDialogTest::Fila& f) {
  return os << "{" << f.id << ", \"" << f.nombre.toStdString() << "\", " << f.color << "}";
}
