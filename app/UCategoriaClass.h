#pragma once
// The categories of appointments: the table CATEGORIAS and the one list in
// memory that every window reads. Category 0, "Normal", always exists.

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "app/TableSchemas.h"
#include "core/Colors.h"

namespace data {
class Table;
}

class TCategoria {
 public:
  int ID = -1;  // -1 until stored
  QString Nombre;
  TColor Color = 0;
};

class TCategorias {
 public:
  TCategorias();
  ~TCategorias();
  TCategorias(const TCategorias&) = delete;
  TCategorias& operator=(const TCategorias&) = delete;

  // Reads every row of the data folder's table in ID order; both lists are
  // emptied first. Engine errors reach the caller.
  void Cargar();
  // Deletes the removed categories' rows, then writes every current category:
  // new ones get the highest stored ID plus one, in the order added. The rows
  // go to the folder the list was read from (the data folder when it never
  // was), whatever folder DataPath names since: never into another folder's
  // table.
  void Guardar();
  TCategoria* Nueva();
  int Count() const;
  TCategoria* CategoriaEn(int Indice) const;  // nullptr outside 0..Count-1
  TColor ColorDeIndice(int Indice) const;     // clWindow outside
  TCategoria* BuscarID(int ID) const;
  int IndiceDeID(int ID) const;
  void QuitarIndice(int Indice);
  void Quitar(TCategoria* Cat);
  // Counts the loads: a list reloaded since holds new objects, possibly at
  // the addresses of the old ones, so a pointer alone cannot tell.
  int Carga() const { return carga_; }

 private:
  std::vector<std::unique_ptr<TCategoria>> actuales_;
  std::vector<std::unique_ptr<TCategoria>> quitadas_;
  std::unique_ptr<data::Table> tabla_;
  QString carpeta_;  // of the last Cargar
  int carga_ = 0;
};

// The global list: created at start-up, freed when the main window closes.
extern std::unique_ptr<TCategorias> Categorias;

// Creates CATEGORIAS.DBF in Carpeta (the data folder when empty) with its
// single row 0 "Normal", replacing any table of that name. On failure shows
// "No se pudo crear la tabla" and returns false; the caller then ends the
// program.
bool CrearTablaCategorias(const QString& Carpeta = QString());
// Colour of the category with that ID; clWindow when there is none.
TColor ColorCategoria(int ID);
// Appends the current categories' names to Lista in list order.
void NombresCategorias(QStringList& Lista);

constexpr TColor kColorNormal = 15790320;  // light grey F0F0F0
