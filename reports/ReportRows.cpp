#include "reports/ReportRows.h"

namespace reports {

QString TextoCategoria(const CitaRow& Cita) {
  return Cita.Tipo == 0 ? QStringLiteral("Normal") : Cita.Categoria;
}

}  // namespace reports
