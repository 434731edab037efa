#pragma once
// An appointment's record as it was read at one moment: every field of the
// table, by name, as text. Storing over a record remembered this way can tell
// whether another copy changed or deleted it since, and a former state can be
// put back whole (notes and fields of other programs included).
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/DateTime.h"

namespace data {
class Table;
}

class TFotoCita {
 public:
  TFotoCita() = default;
  // The table's current record.
  static TFotoCita Leer(data::Table& t);
  // A record of the table kept as its stored bytes (Table::RecordBytes).
  static TFotoCita Leer(data::Table& t, std::string_view bytes);
  // The record of that ID, leaving the table on it under the ID index; none
  // when no record has it.
  static std::optional<TFotoCita> DeID(data::Table& t, int ID);

  // Every remembered field into the record being edited or appended.
  void Escribir(data::Table& t) const;

  bool Vacia() const { return campos_.empty(); }
  int ID() const;
  QString Asunto() const;
  TDate Desde() const;  // FECHA_INI
  TDate Hasta() const;  // FECHA_FIN
  // The text of a field by its name; empty when the record had no such field.
  std::string Campo(const std::string& nombre) const;
  // The same record with one field's text replaced (a field it lacks is added).
  TFotoCita ConCampo(const std::string& nombre, const std::string& valor) const;
  // The same record with a change made again: each field that differs
  // between `desde` and `hacia` takes its value in `hacia`; the rest stay.
  TFotoCita ConCambio(const TFotoCita& desde, const TFotoCita& hacia) const;

  // The record number it was read at (0: not known). Another appointment
  // that took the ID of one deleted since sits at another number. Not part
  // of the comparison: the same fields are the same version.
  std::uint32_t Fila() const { return fila_; }
  TFotoCita SinFila() const {
    TFotoCita f = *this;
    f.fila_ = 0;
    return f;
  }
  // Whether `otra`, of the same ID, is the record this was read from.
  bool MismaFila(const TFotoCita& otra) const { return fila_ == 0 || otra.fila_ == 0 || fila_ == otra.fila_; }

  bool operator==(const TFotoCita& otra) const { return campos_ == otra.campos_; }
  bool operator!=(const TFotoCita& otra) const { return !(*this == otra); }

 private:
  std::vector<std::pair<std::string, std::string>> campos_;
  std::uint32_t fila_ = 0;
};

// How a remembered record stands in the table now.
enum class TEstadoCita { Igual, Cambiada, Borrada };
// Looks the record of `antes` up by its ID (leaving the table on it when it
// is there) and compares it with what was remembered. A record of that ID
// at another record number is another appointment that took the number of
// the one remembered, deleted since.
TEstadoCita ComprobarCita(data::Table& t, const TFotoCita& antes, TFotoCita* ahora = nullptr);
