#include "SqlFixture.h"

#include <atomic>

#include "app/TableSchemas.h"
#include "data/Table.h"
#include "data/TableTestSupport.h"

namespace data::sqltest {

void AppendCita(Table& t, const Cita& c) {
  t.Append();
  t.FieldByName("ID").SetAsFloat(c.id);
  t.FieldByName("FECHA_INI").SetAsDate(c.fechaIni);
  t.FieldByName("FECHA_FIN").SetAsDate(c.fechaIni);
  t.FieldByName("HORA_INI").SetAsString(c.horaIni);
  t.FieldByName("HORA_FIN").SetAsString(c.horaIni);
  t.FieldByName("ASUNTO").SetAsString(c.asunto);
  t.FieldByName("LUGAR").SetAsString(c.lugar);
  t.FieldByName("NOTAS").SetAsString(c.notas);
  t.FieldByName("AVISO").SetAsFloat(c.aviso);
  t.FieldByName("TIPO").SetAsFloat(c.tipo);
  if (c.fAviso) t.FieldByName("F_AVISO").SetAsDate(c.fAviso);
  t.FieldByName("H_AVISO").SetAsString(c.hAviso);
  t.Post();
}

void CreateAgenda(const std::string& folder, const std::vector<Cita>& citas) {
  Table t(folder, "AGENDA.DBF");
  t.Create(AgendaFieldDefs(), AgendaIndexDefs());
  t.Open(OpenMode::Exclusive);
  t.BeginBatch();
  for (const Cita& c : citas) AppendCita(t, c);
  t.EndBatch();
  t.Close();
}

void CreateCategorias(const std::string& folder, const std::vector<Categoria>& categorias) {
  Table t(folder, "CATEGORIAS.DBF");
  t.Create(CategoriasFieldDefs(), CategoriasIndexDefs());
  t.Open();
  for (const Categoria& c : categorias) {
    t.Append();
    t.FieldByName("ID").SetAsInteger(c.id);
    t.FieldByName("CATEGORIA").SetAsString(c.nombre);
    t.FieldByName("COLOR").SetAsInteger(c.color);
    t.Post();
  }
  t.Close();
}

void DeleteCita(const std::string& folder, int id) {
  Table t(folder, "AGENDA");
  t.Open();
  t.SetIndexName("ID");
  ASSERT_TRUE(t.FindKey(id));
  t.Delete();
  t.Close();
}

TDate Day(int y, int m, int d) { return dt::EncodeDate(y, m, d); }

void SqlFolderTest::SetUp() {
  static std::atomic<int> counter{0};
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  folder_ = testdata::FreshFolder(std::string(info->test_suite_name()) + "_" + info->name() + "_" +
                                  std::to_string(counter++));
}

void SqlFolderTest::TearDown() {
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

}  // namespace data::sqltest

namespace data::sqltest {

void CreateSampleData(const std::string& folder) {
  CreateCategorias(folder, {{0, "Normal", 15790320}, {1, "Trabajo", 255}, {2, "Personal", 65280}});
  CreateAgenda(folder,
               {
                   {1, Day(2024, 5, 10), "09:30", "Reunión de equipo", "Llevar el informe", 1, 1, Day(2024, 5, 10), "09:25", "Sala 2"},
                   {2, Day(2024, 5, 10), "08:00", "Desayuno", "", 0, 0, 0, "", ""},
                   {3, Day(2024, 5, 11), "10:00", "médico", "Consulta con el DOCTOR", 5, 2, Day(2024, 5, 11), "09:00", ""},
                   {4, Day(2024, 5, 31), "23:00", "cierre de mes", "revisar cuentas", 0, 7, 0, "", ""},
                   {5, Day(2024, 6, 1), "00:00", "Año nuevo fiscal", "Informe Anual", 10, 1, Day(2024, 5, 31), "00:00", ""},
                   {6, Day(2023, 12, 31), "18:00", "Cena", "", 0, 0, 0, "", ""},
                   {7, Day(2024, 5, 10), "12:00", "Borrada", "borrada", 1, 1, Day(2024, 5, 1), "11:00", ""},
                   {8, Day(2024, 5, 20), "12:00", "Dentista", "", 3, 9, Day(2024, 5, 20), "11:45", ""},
                   {9, Day(2024, 5, 15), "17:00", "Revisión", "Ver el Informe trimestral", 0, 2, 0, "", ""},
                   {10, Day(2024, 5, 15), "09:05", "Llamar a O'Brien", "notas\r\nde varias líneas\r\ncon 100% de detalle", 0, 0, 0, "", ""},
               });
  DeleteCita(folder, 7);
}

}  // namespace data::sqltest
