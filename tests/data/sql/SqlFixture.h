#pragma once
// A data folder with the agenda's two tables, written through the table
// engine, for the query tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/DateTime.h"
#include "data/Table.h"

namespace data::sqltest {

struct Cita {
  int id = 0;
  TDate fechaIni = 0;
  std::string horaIni;
  std::string asunto;
  std::string notas;
  int aviso = 0;
  int tipo = 0;
  TDate fAviso = 0;
  std::string hAviso;
  std::string lugar;
};

struct Categoria {
  int id = 0;
  std::string nombre;
  int color = 0;
};

// Appends and posts the appointment to the open AGENDA table.
void AppendCita(Table& t, const Cita& c);
// Creates the tables as the agenda defines them (fields, tags) in `folder`.
void CreateAgenda(const std::string& folder, const std::vector<Cita>& citas);
void CreateCategorias(const std::string& folder, const std::vector<Categoria>& categorias);
// Marks the appointment with that ID as deleted.
void DeleteCita(const std::string& folder, int id);

TDate Day(int y, int m, int d);

// A fresh folder under the test's temporary folder, removed afterwards.
class SqlFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string folder_;  // ends with '/'
};

}  // namespace data::sqltest

namespace data::sqltest {

// The sample agenda most query tests share:
//   categories 0 Normal, 1 Trabajo, 2 Personal;
//   ID  start               subject               notes                          aviso tipo reminder
//    1  2024-05-10 09:30    Reunión de equipo     Llevar el informe               1     1   2024-05-10 09:25
//    2  2024-05-10 08:00    Desayuno                                              0     0
//    3  2024-05-11 10:00    médico                Consulta con el DOCTOR          5     2   2024-05-11 09:00
//    4  2024-05-31 23:00    cierre de mes         revisar cuentas                 0     7 (no such category)
//    5  2024-06-01 00:00    Año nuevo fiscal      Informe Anual                  10     1   2024-05-31 00:00
//    6  2023-12-31 18:00    Cena                                                  0     0
//    7  2024-05-10 12:00    Borrada               (deleted record)                1     1   2024-05-01 11:00
//    8  2024-05-20 12:00    Dentista                                              3     9   2024-05-20 11:45
//    9  2024-05-15 17:00    Revisión              Ver el Informe trimestral       0     2
//   10  2024-05-15 09:05    Llamar a O'Brien      three lines, "100%"             0     0
void CreateSampleData(const std::string& folder);

class SampleDataTest : public SqlFolderTest {
 protected:
  void SetUp() override {
    SqlFolderTest::SetUp();
    CreateSampleData(folder_);
  }
};

}  // namespace data::sqltest
