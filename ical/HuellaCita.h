#pragma once
// The fingerprint of an appointment as the table holds it: what ICALUID keeps
// of an appointment an import stored, so that a later import or an export can
// tell whether the appointment under that ID is still the one imported
// (not edited since, not another appointment that took a freed ID).

#include <QCryptographicHash>
#include <string>

namespace ical {

// Rows of a data::Table or of a data::Query over AGENDA alike.
template <class Fila>
std::string HuellaCita(Fila& f) {
  QCryptographicHash h(QCryptographicHash::Sha1);
  const auto anadir = [&h](const std::string& s) {
    h.addData(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));
    h.addData(QByteArrayView("\x1f", 1));
  };
  const auto numero = [&](const char* campo) { anadir(std::to_string(f.FieldByName(campo).AsInteger())); };
  const auto dia = [&](const char* campo) {
    anadir(std::to_string(static_cast<long long>(f.FieldByName(campo).AsDate())));
  };
  const auto texto = [&](const char* campo) { anadir(f.FieldByName(campo).AsString()); };
  dia("FECHA_INI");
  texto("HORA_INI");
  dia("FECHA_FIN");
  texto("HORA_FIN");
  texto("ASUNTO");
  texto("LUGAR");
  texto("NOTAS");
  numero("AVISO");
  numero("TIPO");
  return h.result().toHex().toStdString();
}

}  // namespace ical
