#pragma once
// A data folder with both tables, a few categories and the appointments a
// test adds; the global configuration and category list point at it, and
// message boxes are answered and recorded.

#include <QStringList>
#include <map>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "core/DateTime.h"

class ReportsFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Appends an appointment to AGENDA.DBF.
  void AddCita(int id, TDate fecha, const char* horaIni, const char* asunto, int tipo = 0, const char* notas = "",
               TDate fechaFin = 0, const char* horaFin = nullptr);
  // Adds a category row and reloads the category list.
  void AddCategoria(int id, const char* nombre);
  // Deletes the category row with that ID and reloads the list.
  void QuitarCategoria(int id);

  QTemporaryDir dir;
  QTemporaryDir programDir;
  QString folder;
  QStringList messages;

 private:
  void LlenarLista();
  std::map<int, QString> categorias_;
};
