#include "app/CitasLeidas.h"

#include <algorithm>
#include <string_view>

#include "app/ConflictoCita.h"
#include "app/UAgendaUtil.h"
#include "data/Table.h"


void TCitasLeidas::Recordar(data::Table& t) { Recordar(t, static_cast<int>(t.FieldByName("ID").AsInteger())); }

void TCitasLeidas::Recordar(data::Table& t, int ID) {
  if (ID <= 0) return;
  const std::string_view bytes = t.RecordBytes();
  const auto it = citas_.find(ID);
  if (it != citas_.end() && it->bytes == bytes) {
    it->recno = t.RecNo();  // a reorganised table moves records
    return;
  }
  citas_.insert(ID, Leida{std::string(bytes), t.RecNo()});
}

void TCitasLeidas::Olvidar(int ID) { citas_.remove(ID); }

void TCitasLeidas::ConservarSolo(const QSet<int>& IDs) {
  citas_.removeIf([&IDs](const QHash<int, Leida>::iterator& it) { return !IDs.contains(it.key()); });
}

std::optional<TFotoCita> TCitasLeidas::De(data::Table& t, int ID) const {
  const auto it = citas_.constFind(ID);
  if (it == citas_.constEnd()) return std::nullopt;
  return TFotoCita::Leer(t, it->bytes);
}

std::uint32_t TCitasLeidas::Fila(int ID) const {
  const auto it = citas_.constFind(ID);
  return it == citas_.constEnd() ? 0 : it->recno;
}

namespace {
void Abarcar(TGuardadoCita& r, const TFotoCita& f) {
  const TDate d = f.Desde(), h = std::max(f.Hasta(), d);
  if (d <= 0) return;
  r.desde = r.desde > 0 ? std::min(r.desde, d) : d;
  r.hasta = std::max(r.hasta, h);
}

bool Editando(const data::Table& t) {
  return t.State() == data::TableState::Edit || t.State() == data::TableState::Insert;
}

// This copy's version as a new record of that ID (an ID taken meanwhile is
// moved on by the table).
void Anadir(data::Table& t, TCitasLeidas& leidas, const TFotoCita& mia, int ID, TGuardadoCita& r) {
  t.Append();
  mia.Escribir(t);
  t.FieldByName("ID").SetAsInteger(ID);
  if (!t.Post()) {
    t.Cancel();
    return;
  }
  t.FlushBuffers();
  r.guardada = true;
  r.ID = static_cast<int>(t.FieldByName("ID").AsInteger());
  Abarcar(r, mia);
  leidas.Recordar(t);
}

// The user's choice on this copy's version `mia` against the record as
// stored now (`ahora` at record number `fila`, none when deleted), carried
// out. "Store mine" stores
// it only over the version the user was told of: a record that changes
// again meanwhile asks again.
TGuardadoCita Decidir(data::Table& t, TCitasLeidas& leidas, const TFotoCita& mia, std::optional<TFotoCita> ahora,
                      std::uint32_t fila, TGuardadoCita r, QWidget* parent) {
  r.preguntada = true;
  Abarcar(r, mia);
  for (;;) {
    if (!ahora) {
      if (PreguntarBorradoAjeno(mia.Asunto(), parent) == TRespuestaBorrado::GuardarDeNuevo)
        Anadir(t, leidas, mia, mia.ID(), r);
      return r;
    }
    Abarcar(r, *ahora);
    switch (PreguntarCambioAjeno(mia.Asunto(), parent)) {
      case TRespuestaCambio::Suya: return r;
      case TRespuestaCambio::Ambas: Anadir(t, leidas, mia, NuevoID(t), r); return r;
      case TRespuestaCambio::Mia: break;
    }
    t.SetIndexName("ID");
    if (!t.FindKey(mia.ID()) || t.RecNo() != fila) {
      ahora.reset();  // gone, or its ID taken since by another appointment
      continue;
    }
    t.Edit();  // locks the record and reads it as stored
    TFotoCita leida = TFotoCita::Leer(t);
    if (leida != *ahora) {
      t.Cancel();
      ahora = std::move(leida);
      continue;
    }
    r.sobre = *ahora;
    mia.Escribir(t);
    if (!t.Post()) {
      t.Cancel();
      r.sobre = TFotoCita();
      return r;
    }
    t.FlushBuffers();
    r.guardada = true;
    r.ID = mia.ID();
    leidas.Recordar(t);
    return r;
  }
}
}  // namespace

TGuardadoCita TCitasLeidas::Guardar(data::Table& t, int ID, const std::function<void(data::Table&)>& escribir,
                                    QWidget* Parent) {
  TGuardadoCita r;
  try {
    t.SetIndexName("ID");
    const std::optional<TFotoCita> recordada = De(t, ID);
    // A record of that ID elsewhere in the file is another appointment
    // that took the number of the one remembered, deleted since.
    const bool hay = t.FindKey(ID) && (!recordada || t.RecNo() == Fila(ID));
    if (!hay && !recordada) return r;
    const TFotoCita antes = recordada ? *recordada : TFotoCita::Leer(t);
    Abarcar(r, antes);
    // This copy's version: the record as remembered with the change on it.
    TFotoCita mia;
    std::optional<TFotoCita> ahora;
    const std::uint32_t fila = hay ? t.RecNo() : 0;
    if (hay) {
      t.Edit();  // locks the record and reads it as stored
      ahora = TFotoCita::Leer(t);
      if (*ahora == antes) {
        r.sobre = *ahora;
        escribir(t);
        if (!t.Post()) {
          t.Cancel();
          return r;
        }
        t.FlushBuffers();
        r.guardada = true;
        r.ID = ID;
        Abarcar(r, TFotoCita::Leer(t));
        Recordar(t);
        return r;
      }
    } else {
      t.Append();
    }
    antes.Escribir(t);
    escribir(t);
    mia = TFotoCita::Leer(t);
    t.Cancel();  // nothing held while the user thinks
    return Decidir(t, *this, mia, ahora, fila, r, Parent);
  } catch (...) {
    if (Editando(t)) t.Cancel();
    throw;
  }
}

TBorradoCita TCitasLeidas::Borrar(data::Table& t, int ID, QWidget* Parent) {
  TBorradoCita r;
  std::optional<TFotoCita> antes = De(t, ID);
  std::uint32_t fila = Fila(ID);
  try {
    for (;;) {
      t.SetIndexName("ID");
      if (!t.FindKey(ID) || (antes && t.RecNo() != fila)) {
        Olvidar(ID);  // gone, or its ID taken since by another appointment
        return r;
      }
      t.Edit();  // locks the record and reads it as stored
      const TFotoCita ahora = TFotoCita::Leer(t);
      r.desde = ahora.Desde();
      r.hasta = std::max(ahora.Hasta(), ahora.Desde());
      if (!antes || ahora == *antes) {
        r.cita = ahora;
        t.Delete();
        Olvidar(ID);
        r.borrada = true;
        return r;
      }
      t.Cancel();
      if (antes->Desde() > 0) r.desde = std::min(r.desde, antes->Desde());
      r.hasta = std::max(r.hasta, antes->Hasta());
      if (PreguntarBorrarCambiada(ahora.Asunto(), Parent) == TRespuestaBorrarCambiada::Conservar) {
        r.conservada = true;
        return r;
      }
      antes = ahora;  // the version the user agreed to delete
      fila = t.RecNo();
    }
  } catch (...) {
    if (Editando(t)) t.Cancel();
    throw;
  }
}

// ---------------------------------------------------------------- editor

namespace {
// The watch on each table while one lives.
QHash<const data::Table*, TVigiaEdicion*>& Vigias() {
  static QHash<const data::Table*, TVigiaEdicion*> vigias;
  return vigias;
}
}  // namespace

TVigiaEdicion::TVigiaEdicion(data::Table& t, bool vigilar) : t_(t), previo_(t.OnBeforePost) {
  if (!vigilar) return;
  antes_ = TFotoCita::Leer(t);
  fila_ = t.RecNo();
  Vigias().insert(&t, this);
  t.OnBeforePost = [this](data::Table& tabla, bool& abort) {
    if (previo_) previo_(tabla, abort);
    if (abort || static_cast<int>(tabla.FieldByName("ID").AsInteger()) != antes_.ID()) return;
    if (resucitada_ && tabla.State() == data::TableState::Insert) {
      mia_ = TFotoCita::Leer(tabla);
      ahora_.reset();
      retenida_ = true;
      abort = true;
      return;
    }
    if (tabla.State() != data::TableState::Edit) return;
    // The record is locked since the editor's Edit: read as stored through a
    // handle of its own, it cannot change before this post is written.
    data::Table otra(tabla.Folder(), tabla.TableName());
    otra.Open();
    std::optional<TFotoCita> ahora = TFotoCita::DeID(otra, antes_.ID());
    // That ID elsewhere in the file: another appointment took the number.
    if (ahora && otra.RecNo() != fila_) ahora.reset();
    if (ahora && *ahora == antes_) return;
    mia_ = TFotoCita::Leer(tabla);
    ahora_ = std::move(ahora);
    filaAhora_ = fila_;
    retenida_ = true;
    abort = true;
  };
}

TVigiaEdicion::~TVigiaEdicion() {
  t_.OnBeforePost = previo_;
  if (Vigias().value(&t_) == this) Vigias().remove(&t_);
}

void TVigiaEdicion::PrepararGuardado(data::Table& t) {
  TVigiaEdicion* v = Vigias().value(&t);
  if (!v || t.State() != data::TableState::Browse) return;
  t.SetIndexName("ID");
  if (t.FindKey(v->antes_.ID()) && t.RecNo() == v->fila_) return;
  t.Append();
  v->antes_.Escribir(t);
  v->resucitada_ = true;
}

TGuardadoCita TVigiaEdicion::Resolver(TCitasLeidas& Leidas, QWidget* Parent) {
  if (Editando(t_)) t_.Cancel();
  t_.OnBeforePost = previo_;  // the stores of the answer are not held back
  Vigias().remove(&t_);
  retenida_ = false;
  TGuardadoCita r;
  Abarcar(r, antes_);
  try {
    return Decidir(t_, Leidas, mia_, ahora_, filaAhora_, r, Parent);
  } catch (...) {
    if (Editando(t_)) t_.Cancel();
    throw;
  }
}
