#include "ReportsFixture.h"

#include "app/AppPaths.h"
#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "support/CategoriaRows.h"

void ReportsFixture::SetUp() {
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(programDir.isValid());
  AppPaths::SetProgramFolder(programDir.path() + "/");
  folder = dir.path() + "/";
  ConfigAgenda = TConfigAgenda{};
  ConfigAgenda.DataPath = folder;
  SetMessageAnswerer([this](const MessageRequest& r) {
    messages.push_back(r.text);
    return mrOk;
  });
  CrearTablaAgenda(folder);
  ASSERT_TRUE(CrearTablaCategorias(folder));
  categorias_ = {{0, "Normal"}};
  LlenarLista();
}

// The global list as loading it gives it: the table's rows in ID order. It is
// filled here rather than read, so these tests hang only on the reports'
// own reading of the table (through SQL), not on the list's.
void ReportsFixture::LlenarLista() {
  Categorias = std::make_unique<TCategorias>();
  for (const auto& [id, nombre] : categorias_) {
    TCategoria* c = Categorias->Nueva();
    c->ID = id;
    c->Nombre = nombre;
  }
}

void ReportsFixture::TearDown() {
  SetMessageAnswerer({});
  Categorias.reset();
  AppPaths::SetProgramFolder({});
}

void ReportsFixture::AddCita(int id, TDate fecha, const char* horaIni, const char* asunto, int tipo, const char* notas,
                             TDate fechaFin, const char* horaFin) {
  data::Table t(folder.toStdString(), "AGENDA");
  t.Open();
  t.Append();
  t.FieldByName("ID").SetAsInteger(id);
  t.FieldByName("FECHA_INI").SetAsDate(fecha);
  t.FieldByName("FECHA_FIN").SetAsDate(fechaFin > 0 ? fechaFin : fecha);
  t.FieldByName("HORA_INI").SetAsString(horaIni);
  t.FieldByName("HORA_FIN").SetAsString(horaFin ? horaFin : horaIni);
  t.FieldByName("ASUNTO").SetAsString(asunto);
  t.FieldByName("NOTAS").SetAsString(notas);
  t.FieldByName("AVISO").SetAsInteger(0);
  t.FieldByName("TIPO").SetAsInteger(tipo);
  ASSERT_TRUE(t.Post());
}

void ReportsFixture::AddCategoria(int id, const char* nombre) {
  ASSERT_TRUE(StoreCategoria(folder, id, QString::fromUtf8(nombre), 255));
  categorias_[id] = QString::fromUtf8(nombre);
  LlenarLista();
}

void ReportsFixture::QuitarCategoria(int id) {
  data::Table t(folder.toStdString(), "CATEGORIAS");
  t.Open();
  for (t.First(); !t.Eof(); t.Next()) {
    if (t.FieldByName("ID").AsInteger() == id) {
      t.Delete();
      break;
    }
  }
  t.Close();
  categorias_.erase(id);
  LlenarLista();
}
