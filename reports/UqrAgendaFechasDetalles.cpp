#include "reports/UqrAgendaFechasDetalles.h"

reports::BandReport TqrAgendaFechasDetalles::Layout(std::vector<reports::CitaRow> Citas, TDateTime ImpresoEl) const {
  return reports::LayoutAgendaFechasDetalles(std::move(Citas), Cabecera, ImpresoEl);
}
