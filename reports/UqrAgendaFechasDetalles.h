#pragma once
#include "reports/UqrAgendaFechas.h"

// The appointments of a range, each in full ("Detallado").
class TqrAgendaFechasDetalles : public TqrAgendaFechas {
 public:
  using TqrAgendaFechas::TqrAgendaFechas;

 protected:
  reports::BandReport Layout(std::vector<reports::CitaRow> Citas, TDateTime ImpresoEl) const override;
};
