#include "app/FotoCita.h"

#include "data/Table.h"

TFotoCita TFotoCita::Leer(data::Table& t) {
  TFotoCita f;
  const int n = t.FieldCount();
  f.campos_.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    data::Field campo = t.FieldByNumber(i);
    f.campos_.emplace_back(campo.FieldName(), campo.AsString());
  }
  f.fila_ = t.RecNo();
  return f;
}

TFotoCita TFotoCita::Leer(data::Table& t, std::string_view bytes) {
  std::vector<std::string> valores = t.FieldTextsOf(bytes);
  TFotoCita f;
  f.campos_.reserve(valores.size());
  for (int i = 0; i < static_cast<int>(valores.size()); ++i)
    f.campos_.emplace_back(t.FieldByNumber(i).FieldName(), std::move(valores[static_cast<std::size_t>(i)]));
  return f;
}

std::optional<TFotoCita> TFotoCita::DeID(data::Table& t, int ID) {
  t.SetIndexName("ID");
  if (ID <= 0 || !t.FindKey(ID)) return std::nullopt;
  return Leer(t);
}

void TFotoCita::Escribir(data::Table& t) const {
  for (const auto& [nombre, valor] : campos_) {
    if (!t.HasField(nombre)) continue;  // a field the table no longer has
    data::Field campo = t.FieldByName(nombre);
    if (valor.empty())
      campo.Clear();
    else
      campo.SetAsString(valor);
  }
}

std::string TFotoCita::Campo(const std::string& nombre) const {
  for (const auto& [n, v] : campos_)
    if (n == nombre) return v;
  return {};
}

TFotoCita TFotoCita::ConCampo(const std::string& nombre, const std::string& valor) const {
  TFotoCita f = *this;
  for (auto& [n, v] : f.campos_)
    if (n == nombre) {
      v = valor;
      return f;
    }
  f.campos_.emplace_back(nombre, valor);
  return f;
}

TFotoCita TFotoCita::ConCambio(const TFotoCita& desde, const TFotoCita& hacia) const {
  TFotoCita f = *this;
  for (const auto& [n, v] : hacia.campos_)
    if (desde.Campo(n) != v) f = f.ConCampo(n, v);
  return f;
}

int TFotoCita::ID() const {
  try {
    return static_cast<int>(std::stod(Campo("ID")));
  } catch (const std::exception&) {
    return 0;
  }
}

QString TFotoCita::Asunto() const { return QString::fromStdString(Campo("ASUNTO")).trimmed(); }

namespace {
TDate Dia(const std::string& texto) {
  // Dates are read as YYYY-MM-DD.
  if (texto.size() < 10) return 0;
  try {
    return dt::EncodeDate(std::stoi(texto.substr(0, 4)), std::stoi(texto.substr(5, 2)), std::stoi(texto.substr(8, 2)));
  } catch (const std::exception&) {
    return 0;
  }
}
}  // namespace

TDate TFotoCita::Desde() const { return Dia(Campo("FECHA_INI")); }
TDate TFotoCita::Hasta() const { return Dia(Campo("FECHA_FIN")); }

TEstadoCita ComprobarCita(data::Table& t, const TFotoCita& antes, TFotoCita* ahora) {
  const std::optional<TFotoCita> leida = TFotoCita::DeID(t, antes.ID());
  if (!leida || !antes.MismaFila(*leida)) return TEstadoCita::Borrada;
  if (ahora) *ahora = *leida;
  return *leida == antes ? TEstadoCita::Igual : TEstadoCita::Cambiada;
}
