#include "reports/UqrAgendaFechasResumen.h"

reports::BandReport TqrAgendaFechasResumen::Layout(std::vector<reports::CitaRow> Citas, TDateTime ImpresoEl) const {
  return reports::LayoutAgendaFechasResumen(std::move(Citas), Cabecera, ImpresoEl);
}
