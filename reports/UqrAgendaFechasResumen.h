#pragma once
#include "reports/UqrAgendaFechas.h"

// The appointments of a range, one line each ("Resumido").
class TqrAgendaFechasResumen : public TqrAgendaFechas {
 public:
  using TqrAgendaFechas::TqrAgendaFechas;

 protected:
  reports::BandReport Layout(std::vector<reports::CitaRow> Citas, TDateTime ImpresoEl) const override;
};
