#include "app/HistorialCitas.h"

namespace {
std::string Inicio(const TFotoCita& f) { return f.Campo("FECHA_INI") + ' ' + f.Campo("HORA_INI"); }
std::string Fin(const TFotoCita& f) { return f.Campo("FECHA_FIN") + ' ' + f.Campo("HORA_FIN"); }

bool TrataDe(const TCambioCita& c, int ID) {
  return (!c.Antes.Vacia() && c.Antes.ID() == ID) || (!c.Despues.Vacia() && c.Despues.ID() == ID);
}

// A subject as an entry shows it: quoted, and cut short to keep menus narrow.
QString Nombre(QString asunto) {
  asunto = asunto.simplified();
  if (asunto.isEmpty()) return QStringLiteral("cita");
  constexpr int kLargo = 40;
  if (asunto.size() > kLargo) {
    asunto.truncate(kLargo - 1);
    const qsizetype espacio = asunto.lastIndexOf(u' ');
    if (espacio > kLargo / 2) asunto.truncate(espacio);  // at a word's end where one is near
    asunto = asunto.trimmed() + QStringLiteral("…");
  }
  return QStringLiteral("«%1»").arg(asunto);
}
}  // namespace

TTipoCambio TipoCambioEnVista(const TFotoCita& Antes, const TFotoCita& Despues) {
  if (Antes.Vacia()) return TTipoCambio::Crear;
  if (Despues.Vacia()) return TTipoCambio::Eliminar;
  if (Antes.Campo("ASUNTO") != Despues.Campo("ASUNTO")) return TTipoCambio::EscribirAsunto;
  const bool inicio = Inicio(Antes) != Inicio(Despues), fin = Fin(Antes) != Fin(Despues);
  if (inicio && fin) return TTipoCambio::Mover;
  if (inicio || fin) return TTipoCambio::CambiarDuracion;
  return TTipoCambio::Modificar;
}

void THistorialCitas::Anotar(const TCambioCita& Cambio) {
  if (Cambio.Antes == Cambio.Despues) return;
  cambios_.erase(cambios_.begin() + static_cast<std::ptrdiff_t>(pos_), cambios_.end());
  // A store that left the record as it was and stored its version as another
  // appointment created that one: undoing it must not write one record's
  // fields, ID included, over the other.
  if (!Cambio.Antes.Vacia() && !Cambio.Despues.Vacia() && Cambio.Antes.ID() != Cambio.Despues.ID())
    cambios_.push_back({.Tipo = TTipoCambio::Crear, .Antes = TFotoCita(), .Despues = Cambio.Despues});
  else
    cambios_.push_back(Cambio);
  while (cambios_.size() > static_cast<std::size_t>(maximo_)) cambios_.pop_front();
  pos_ = cambios_.size();
}

void THistorialCitas::Vaciar() {
  cambios_.clear();
  pos_ = 0;
}

void THistorialCitas::Deshecho(const TFotoCita& Guardada) {
  if (pos_ == 0) return;
  --pos_;
  Hecho(pos_, cambios_[pos_].Antes, Guardada);
}

void THistorialCitas::Rehecho(const TFotoCita& Guardada) {
  if (pos_ >= cambios_.size()) return;
  Hecho(pos_, cambios_[pos_].Despues, Guardada);
  ++pos_;
}

void THistorialCitas::DeshechoSobreAjena(const TFotoCita& Guardada) {
  if (pos_ == 0) return;
  TCambioCita& c = cambios_[--pos_];
  c.Despues = Guardada.ConCambio(c.Antes, c.Despues);
  c.Antes = Guardada;
}

void THistorialCitas::RehechoSobreAjena(const TFotoCita& Guardada) {
  if (pos_ >= cambios_.size()) return;
  TCambioCita& c = cambios_[pos_++];
  c.Antes = Guardada.ConCambio(c.Despues, c.Antes);
  c.Despues = Guardada;
}

// What was stored may differ from the state the entry asked for: the ID
// another copy took, or a field the table's rules work out again. The
// entries then expect what is stored, so the next step does not take this
// copy's own store for another copy's change.
void THistorialCitas::Hecho(std::size_t k, TFotoCita Destino, const TFotoCita& Guardada) {
  if (Destino.Vacia() || Guardada.Vacia()) return;
  if (Guardada.ID() != Destino.ID()) CambiarID(k, Destino.ID(), Guardada.Campo("ID"));
  const TFotoCita esperada = Destino.ConCampo("ID", Guardada.Campo("ID"));
  if (esperada == Guardada && esperada.Fila() == Guardada.Fila()) return;
  for (TCambioCita& c : cambios_) {
    if (c.Antes == esperada) c.Antes = Guardada;
    if (c.Despues == esperada) c.Despues = Guardada;
  }
}

// The entries about the same appointment as entry k: back to the entry
// that created it, forward to the one that deleted it. Other entries with
// the old ID are about another appointment that had it before or after.
void THistorialCitas::CambiarID(std::size_t k, int Viejo, const std::string& Nuevo) {
  auto cambiar = [&](TCambioCita& c) {
    if (!c.Antes.Vacia() && c.Antes.ID() == Viejo) c.Antes = c.Antes.ConCampo("ID", Nuevo);
    if (!c.Despues.Vacia() && c.Despues.ID() == Viejo) c.Despues = c.Despues.ConCampo("ID", Nuevo);
  };
  const bool existiaAntes = !cambios_[k].Antes.Vacia(), siguioDespues = !cambios_[k].Despues.Vacia();
  cambiar(cambios_[k]);
  if (existiaAntes)
    for (std::size_t j = k; j-- > 0;) {
      if (!TrataDe(cambios_[j], Viejo)) continue;
      cambiar(cambios_[j]);
      if (cambios_[j].Antes.Vacia()) break;
    }
  if (siguioDespues)
    for (std::size_t j = k + 1; j < cambios_.size(); ++j) {
      if (!TrataDe(cambios_[j], Viejo)) continue;
      cambiar(cambios_[j]);
      if (cambios_[j].Despues.Vacia()) break;
    }
}

void THistorialCitas::OlvidarFilas() {
  for (TCambioCita& c : cambios_) {
    c.Antes = c.Antes.SinFila();
    c.Despues = c.Despues.SinFila();
  }
}

void THistorialCitas::DescartarADeshacer() {
  if (pos_ == 0) return;
  cambios_.erase(cambios_.begin() + static_cast<std::ptrdiff_t>(pos_ - 1));
  --pos_;
}

void THistorialCitas::DescartarARehacer() {
  if (pos_ >= cambios_.size()) return;
  cambios_.erase(cambios_.begin() + static_cast<std::ptrdiff_t>(pos_));
}

QString THistorialCitas::Descripcion(const TCambioCita& c) {
  const TFotoCita& cita = c.Despues.Vacia() ? c.Antes : c.Despues;
  const QString nombre = Nombre(cita.Asunto().isEmpty() ? c.Antes.Asunto() : cita.Asunto());
  switch (c.Tipo) {
    case TTipoCambio::Crear: return QStringLiteral("crear ") + nombre;
    case TTipoCambio::Modificar: return QStringLiteral("modificar ") + nombre;
    case TTipoCambio::Mover: return QStringLiteral("mover ") + nombre;
    case TTipoCambio::CambiarDuracion:
      return QStringLiteral("cambiar la duración de ") + (nombre == QStringLiteral("cita") ? QStringLiteral("la cita") : nombre);
    case TTipoCambio::EscribirAsunto: return QStringLiteral("escribir ") + nombre;
    case TTipoCambio::Eliminar: return QStringLiteral("eliminar ") + nombre;
  }
  return nombre;
}

QString THistorialCitas::TextoDeshacer() const {
  return pos_ == 0 ? QStringLiteral("Deshacer") : QStringLiteral("Deshacer ") + Descripcion(ADeshacer());
}

QString THistorialCitas::TextoRehacer() const {
  return pos_ >= cambios_.size() ? QStringLiteral("Rehacer") : QStringLiteral("Rehacer ") + Descripcion(ARehacer());
}
