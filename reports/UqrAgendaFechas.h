#pragma once
// What the two date-range reports share: the query of a range, optionally of
// one category, and the header labels saying which.

#include "core/DateTime.h"
#include "data/sql/Query.h"
#include "reports/BandReport.h"
#include "reports/ReportLayouts.h"

class TqrAgendaFechas {
 public:
  // Desde: the first day at 00:00; Hasta: the last day at 23:59:59.999;
  // Categoria: a category ID, or -1 for all.
  TqrAgendaFechas(TDateTime Desde, TDateTime Hasta, int Categoria);
  virtual ~TqrAgendaFechas() = default;

  // Binds and opens qryAgenda for the range and sets the header labels. Runs
  // before every preview or print, so each shows the data as they are then.
  void QuickRepBeforePrint();
  // QuickRepBeforePrint, then the layout of the rows read.
  reports::BandReport Preparar();

  data::Query qryAgenda;
  reports::CabeceraFechas Cabecera;

 protected:
  virtual reports::BandReport Layout(std::vector<reports::CitaRow> Citas, TDateTime ImpresoEl) const = 0;

 private:
  TDateTime desde_;
  TDateTime hasta_;
  int categoria_;
};
