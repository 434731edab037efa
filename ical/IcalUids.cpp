#include "ical/IcalUids.h"

#include <QCryptographicHash>

namespace ical {

namespace {

constexpr int kLongitudUid = 254;
const char* const kTabla = "ICALUID.DBF";

// A UID longer than the column is kept as its SHA-1: still the same key for
// the same event.
std::string UidGuardado(const QString& uid) {
  const QByteArray u = uid.toUtf8();
  if (u.size() <= kLongitudUid) return u.toStdString();
  return "sha1:" + QCryptographicHash::hash(u, QCryptographicHash::Sha1).toHex().toStdString();
}

std::vector<data::FieldDef> Campos() {
  using data::FieldKind;
  return {{"ID", FieldKind::Float}, {"UID", FieldKind::String, kLongitudUid}, {"INICIO", FieldKind::String, 15},
          {"HUELLA", FieldKind::String, 40}, {"REGISTRO", FieldKind::Float}};
}

}  // namespace

TUidsIcal::TUidsIcal(const std::string& Carpeta) : tabla_(Carpeta, kTabla) {}

std::string TUidsIcal::Clave(const QString& Uid, const QString& Ocurrencia) {
  return UidGuardado(Uid) + '\x1f' + Ocurrencia.toStdString();
}

void TUidsIcal::Abrir(bool EnLote) {
  tabla_.Close();
  if (!tabla_.Exists()) tabla_.Create(Campos());
  tabla_.Open(EnLote ? data::OpenMode::Exclusive : data::OpenMode::Shared);
  lote_ = EnLote;
  if (lote_) tabla_.BeginBatch();
  filas_.clear();
  ids_.clear();
  for (tabla_.First(); !tabla_.Eof(); tabla_.Next()) {
    const std::string clave = tabla_.FieldByName("UID").AsString() + '\x1f' + tabla_.FieldByName("INICIO").AsString();
    filas_[clave] = Fila{static_cast<int>(tabla_.FieldByName("ID").AsInteger()), tabla_.FieldByName("HUELLA").AsString(),
                         static_cast<std::uint32_t>(tabla_.FieldByName("REGISTRO").AsInteger()), tabla_.RecNo()};
    ids_.insert(filas_[clave].ID);
  }
}

void TUidsIcal::Cerrar() {
  if (lote_ && tabla_.Active()) tabla_.EndBatch();
  lote_ = false;
  tabla_.Close();
}

const TUidsIcal::Fila* TUidsIcal::Buscar(const QString& Uid, const QString& Ocurrencia) const {
  const auto i = filas_.find(Clave(Uid, Ocurrencia));
  return i == filas_.end() ? nullptr : &i->second;
}

void TUidsIcal::Guardar(const QString& Uid, const QString& Ocurrencia, int ID, std::uint32_t Registro,
                        const std::string& Huella) {
  const std::string clave = Clave(Uid, Ocurrencia);
  const auto i = filas_.find(clave);
  if (i != filas_.end() && tabla_.GotoRecNo(i->second.RecNo)) {
    ids_.erase(ids_.find(i->second.ID));
    tabla_.Edit();
  } else {
    tabla_.Append();
    tabla_.FieldByName("UID").SetAsString(UidGuardado(Uid));
    tabla_.FieldByName("INICIO").SetAsString(Ocurrencia.toStdString());
  }
  tabla_.FieldByName("ID").SetAsInteger(ID);
  tabla_.FieldByName("HUELLA").SetAsString(Huella);
  tabla_.FieldByName("REGISTRO").SetAsInteger(Registro);
  tabla_.Post();
  filas_[clave] = Fila{ID, Huella, Registro, tabla_.RecNo()};
  ids_.insert(ID);
}

bool TUidsIcal::Nombrado(int ID) const { return ids_.count(ID) > 0; }

std::map<int, TOrigenIcal> TUidsIcal::Origenes(const std::string& Carpeta) {
  std::map<int, TOrigenIcal> r;
  data::Table t(Carpeta, kTabla);
  if (!t.Exists()) return r;
  t.Open(data::OpenMode::ReadOnly);
  for (t.First(); !t.Eof(); t.Next())
    r[static_cast<int>(t.FieldByName("ID").AsInteger())] =
        TOrigenIcal{QString::fromStdString(t.FieldByName("UID").AsString()),
                    QString::fromStdString(t.FieldByName("INICIO").AsString()), t.FieldByName("HUELLA").AsString(),
                    static_cast<std::uint32_t>(t.FieldByName("REGISTRO").AsInteger())};
  return r;
}

}  // namespace ical
