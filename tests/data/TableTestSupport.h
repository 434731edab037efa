#pragma once
// Shared fixtures of the engine tests: a fresh folder per test and the
// appointment-shaped table most tests use.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/Table.h"

namespace testdata {

inline std::string FreshFolder(const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  std::filesystem::path p = std::filesystem::path(tmp ? tmp : "/tmp") / ("quillar-data-" + name);
  std::filesystem::remove_all(p);
  std::filesystem::create_directories(p);
  return p.string() + "/";
}

inline std::vector<data::FieldDef> AgendaFields() {
  using data::FieldKind;
  return {{"ID", FieldKind::Float}, {"FECHA_INI", FieldKind::Date}, {"FECHA_FIN", FieldKind::Date},
          {"HORA_INI", FieldKind::String, 5}, {"HORA_FIN", FieldKind::String, 5},
          {"ASUNTO", FieldKind::String, 200}, {"LUGAR", FieldKind::String, 200}, {"NOTAS", FieldKind::Memo},
          {"AVISO", FieldKind::Float}, {"TIPO", FieldKind::Float}, {"F_AVISO", FieldKind::Date},
          {"H_AVISO", FieldKind::String, 5}};
}

inline std::vector<data::IndexDef> AgendaIndexes() { return {{"ID", "ID", true}, {"FECHA_INI", "FECHA_INI", false}}; }

inline void AddAppointment(data::Table& t, int id, TDateTime day, const std::string& subject,
                           const std::string& notes = "") {
  t.Append();
  t.FieldByName("ID").SetAsInteger(id);
  t.FieldByName("FECHA_INI").SetAsDate(day);
  t.FieldByName("FECHA_FIN").SetAsDate(day);
  t.FieldByName("HORA_INI").SetAsString("09:00");
  t.FieldByName("ASUNTO").SetAsString(subject);
  if (!notes.empty()) t.FieldByName("NOTAS").SetAsString(notes);
  ASSERT_TRUE(t.Post());
}

}  // namespace testdata
