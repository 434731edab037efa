#pragma once
// The changes this copy stored in the session, to be undone and redone.
// An entry holds the record as it was before the change (empty for a
// creation) and after it (empty for a deletion). Entries know records by
// their ID only, so the history outlives the view's items (a refresh, a
// reload, another day shown).
#include <QString>
#include <cstddef>
#include <deque>

#include "app/FotoCita.h"

enum class TTipoCambio { Crear, Modificar, Mover, CambiarDuracion, EscribirAsunto, Eliminar };

struct TCambioCita {
  TTipoCambio Tipo;
  TFotoCita Antes;    // empty: the change created the record
  TFotoCita Despues;  // empty: the change deleted it
};

// What a change made on a block of the view was: a creation (nothing
// before), a typed subject, a move (start and end changed), or a new length
// (one end changed). Anything else counts as a modification.
TTipoCambio TipoCambioEnVista(const TFotoCita& Antes, const TFotoCita& Despues);

class THistorialCitas {
 public:
  static constexpr int kMaximo = 100;
  explicit THistorialCitas(int Maximo = kMaximo) : maximo_(Maximo > 0 ? Maximo : 1) {}

  // A new stored change: what could be redone goes, and past the limit the
  // oldest entry. A change that left the record as it was is not kept; one
  // whose sides have different IDs is kept as the creation of the second.
  void Anotar(const TCambioCita& Cambio);
  void Vaciar();

  int PorDeshacer() const { return static_cast<int>(pos_); }
  int PorRehacer() const { return static_cast<int>(cambios_.size() - pos_); }
  // The entries an undo and a redo would take; only while there is one.
  const TCambioCita& ADeshacer() const { return cambios_[pos_ - 1]; }
  const TCambioCita& ARehacer() const { return cambios_[pos_]; }

  // The undo (redo) was stored: the entry goes over to the other list.
  // `Guardada` is the record as the table holds it now (empty when the step
  // deleted it). A record stored anew under another ID, because another
  // copy took its own meanwhile, is known by the new ID from here on, in
  // every entry about the same appointment.
  void Deshecho(const TFotoCita& Guardada);
  void Rehecho(const TFotoCita& Guardada);
  // The same, for an edit undone (redone) over another copy's version whose
  // other fields were kept: the entry goes from the stored record to the
  // same with its own change made again. The other entries keep the records
  // they knew, so their steps find another copy's change and ask.
  void DeshechoSobreAjena(const TFotoCita& Guardada);
  void RehechoSobreAjena(const TFotoCita& Guardada);
  // The user left the record as another copy has it: the entry can no
  // longer be undone (redone) and goes; the rest stay.
  void DescartarADeshacer();
  // The table was opened anew (reorganised, say): the record numbers the
  // entries were read at no longer tell one appointment from another.
  void OlvidarFilas();
  void DescartarARehacer();

  // "Deshacer mover «Dentista»", or "Deshacer" alone when there is nothing.
  QString TextoDeshacer() const;
  QString TextoRehacer() const;

 private:
  void Hecho(std::size_t k, TFotoCita Destino, const TFotoCita& Guardada);
  void CambiarID(std::size_t k, int Viejo, const std::string& Nuevo);
  static QString Descripcion(const TCambioCita& c);

  std::deque<TCambioCita> cambios_;
  std::size_t pos_ = 0;  // entries before it can be undone, from it on redone
  int maximo_;
};
