#pragma once
// The table ICALUID.DBF beside the appointments: which appointment (ID)
// each imported event, or occurrence of a repeating event, became, its
// record and the fingerprint of the appointment as the import stored it,
// so that importing a file again changes only what changed in it and never
// an appointment edited since or another one under a reused ID. Copies of the program that do not
// know the table leave it alone.

#include <QString>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "data/Table.h"

namespace ical {

struct TOrigenIcal {
  QString Uid;
  QString Ocurrencia;  // empty for a single event
  std::string Huella;  // of the appointment as the import left it
  std::uint32_t Registro = 0;  // its record in AGENDA.DBF
};

class TUidsIcal {
 public:
  struct Fila {
    int ID = 0;
    std::string Huella;
    std::uint32_t Registro = 0;  // of the appointment in AGENDA.DBF
    std::uint32_t RecNo = 0;
  };

  explicit TUidsIcal(const std::string& Carpeta);
  // Creates the table when missing, opens it and reads every row. EnLote:
  // alone with the table (exclusive), rows are synced once, at Cerrar;
  // otherwise each on its own. An exclusive open that fails raises
  // data::DbError and leaves the table closed.
  void Abrir(bool EnLote);
  void Cerrar();

  // The row of an event (occurrence), or nullptr.
  const Fila* Buscar(const QString& Uid, const QString& Ocurrencia) const;
  // Stores that the event became appointment ID, record Registro of the
  // appointments, whose fingerprint as stored (HuellaCita) is Huella. An
  // appointment under that ID in another record is another appointment
  // that took the ID of a deleted one (record numbers are never reused).
  void Guardar(const QString& Uid, const QString& Ocurrencia, int ID, std::uint32_t Registro, const std::string& Huella);

  // Whether some row names appointment ID.
  bool Nombrado(int ID) const;

  // Where each imported appointment came from, by ID; empty when the folder
  // has no such table.
  static std::map<int, TOrigenIcal> Origenes(const std::string& Carpeta);

 private:
  static std::string Clave(const QString& Uid, const QString& Ocurrencia);
  data::Table tabla_;
  bool lote_ = false;
  std::unordered_map<std::string, Fila> filas_;
  std::unordered_multiset<int> ids_;
};

}  // namespace ical
