#pragma once
// The appointments as this copy last read or stored them, and the stores
// that never put this copy's version silently over a record another copy
// changed or deleted since. Each store re-reads the record under its lock:
// when it is as remembered the change goes in under that same lock, so no
// other copy can slip in between; otherwise the user chooses (one of the
// questions of ConflictoCita.h) and the choice is carried out.
#include <QHash>
#include <QSet>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/FotoCita.h"

class QWidget;

// What a store came to. After a question the shown days no longer match
// the table: the caller reloads desde..hasta.
struct TGuardadoCita {
  bool guardada = false;    // this copy's version is in the table now
  bool preguntada = false;  // the user was asked
  int ID = 0;               // the record holding this copy's version; 0 when none
  TFotoCita sobre;          // the version it was stored over; empty when stored anew
  TDate desde = 0, hasta = 0;  // every day any version involved takes
};

// What a deletion came to.
struct TBorradoCita {
  bool borrada = false;     // deleted now by this copy
  bool conservada = false;  // changed elsewhere and kept on the user's word
  TFotoCita cita;           // the version deleted
  TDate desde = 0, hasta = 0;
};

class TCitasLeidas {
 public:
  // The table's current record, as it is now (its stored bytes and place).
  void Recordar(data::Table& t);
  void Recordar(data::Table& t, int ID);
  void Olvidar(int ID);
  // The appointment of that ID as remembered; `t` (browsing) reads it.
  std::optional<TFotoCita> De(data::Table& t, int ID) const;
  int Cuantas() const { return static_cast<int>(citas_.size()); }
  // Forgets every appointment but those.
  void ConservarSolo(const QSet<int>& IDs);

  // Stores `escribir` (this copy's change, written into the record being
  // edited) over the appointment of that ID as remembered. A record never
  // remembered is taken as it is now; one never remembered and gone has
  // nothing to store over.
  TGuardadoCita Guardar(data::Table& t, int ID, const std::function<void(data::Table&)>& escribir,
                        QWidget* Parent);
  // Deletes the appointment of that ID; one changed elsewhere since it was
  // remembered is deleted only when the user says so. One already gone is
  // left so.
  TBorradoCita Borrar(data::Table& t, int ID, QWidget* Parent);

 private:
  // The record number where the appointment of that ID was read; 0 when
  // not remembered.
  std::uint32_t Fila(int ID) const;

  // Only the bytes: most remembered records are never stored over, and a
  // refresh meets thousands.
  struct Leida {
    std::string bytes;
    std::uint32_t recno = 0;
  };
  QHash<int, Leida> citas_;
};

// While it lives, the post of the record the table is on (the one the
// editor opens on) goes through only while the stored record is still as it
// was when the editor opened; otherwise the post is held back, with this
// copy's version kept, for Resolver. The table's own before-post hook runs
// first and is put back at the end. One watch per table at a time.
class TVigiaEdicion {
 public:
  TVigiaEdicion(data::Table& t, bool vigilar);
  ~TVigiaEdicion();
  TVigiaEdicion(const TVigiaEdicion&) = delete;
  TVigiaEdicion& operator=(const TVigiaEdicion&) = delete;

  bool Retenida() const { return retenida_; }
  // For the editor to call just before it stores into `t`: a record deleted
  // elsewhere while the editor was open is started again as a new record
  // with its remembered fields, so that the editor's values reach the post
  // and are held back there instead of being lost to a failed edit.
  static void PrepararGuardado(data::Table& t);
  // Asks about the held-back post and carries out the answer (the table's
  // pending edit is cancelled first).
  TGuardadoCita Resolver(TCitasLeidas& Leidas, QWidget* Parent);

 private:
  data::Table& t_;
  std::function<void(data::Table&, bool&)> previo_;
  TFotoCita antes_;
  std::uint32_t fila_ = 0;  // where antes_ was read
  bool retenida_ = false;
  bool resucitada_ = false;  // PrepararGuardado started the deleted record again
  TFotoCita mia_;
  std::optional<TFotoCita> ahora_;  // none: deleted
  std::uint32_t filaAhora_ = 0;
};
