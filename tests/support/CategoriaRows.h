#pragma once
// A category row stored in a data folder's CATEGORIAS table through a table
// handle of its own, as another copy of the program would store it.
#include <QString>

#include "data/Table.h"

inline bool StoreCategoria(const QString& folder, int id, const QString& nombre, int color) {
  data::Table t(folder.toStdString(), "CATEGORIAS");
  t.Open();
  t.Append();
  t.FieldByName("ID").SetAsInteger(id);
  t.FieldByName("CATEGORIA").SetAsString(nombre.toStdString());
  t.FieldByName("COLOR").SetAsInteger(color);
  return t.Post();
}
