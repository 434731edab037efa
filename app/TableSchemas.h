#pragma once
// The shapes of the program's two tables: AGENDA (appointments; indexes ID
// unique and FECHA_INI) and CATEGORIAS (indexes ID unique and CATEGORIA),
// fields in their order. The one definition of each; plain C++ over the
// engine, so tools, benchmarks and engine tests build real tables with it.
#include <vector>

#include "data/Table.h"

inline std::vector<data::FieldDef> AgendaFieldDefs() {
  using data::FieldKind;
  return {{"ID", FieldKind::Float},
          {"FECHA_INI", FieldKind::Date},
          {"FECHA_FIN", FieldKind::Date},
          {"HORA_INI", FieldKind::String, 5},
          {"HORA_FIN", FieldKind::String, 5},
          {"ASUNTO", FieldKind::String, 200},
          {"LUGAR", FieldKind::String, 200},
          {"NOTAS", FieldKind::Memo},
          {"AVISO", FieldKind::Float},
          {"TIPO", FieldKind::Float},
          {"F_AVISO", FieldKind::Date},
          {"H_AVISO", FieldKind::String, 5}};
}

inline std::vector<data::IndexDef> AgendaIndexDefs() { return {{"ID", "ID", true}, {"FECHA_INI", "FECHA_INI", false}}; }

// Characters a category name can hold in the table.
constexpr int kLongitudNombreCategoria = 50;

inline std::vector<data::FieldDef> CategoriasFieldDefs() {
  using data::FieldKind;
  return {{"ID", FieldKind::Integer}, {"CATEGORIA", FieldKind::String, kLongitudNombreCategoria}, {"COLOR", FieldKind::Integer}};
}

inline std::vector<data::IndexDef> CategoriasIndexDefs() {
  return {{"ID", "ID", true}, {"CATEGORIA", "CATEGORIA", false}};
}
