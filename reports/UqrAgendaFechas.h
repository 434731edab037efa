#pragma once
// What the two date-range reports share: the query of a range, optionally of
// one category, and the header labels saying which.

#include <memory>

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

// Appointments starting between two days, both included, of any category:
// what "Entre fechas" asks before making a report.
int ContarCitasEntre(TDate Primero, TDate Ultimo);

// The report of the days Primero to Ultimo (from the first at 00:00 to the
// last at 23:59:59.999): Formato 0 "Detallado", 1 "Resumido"; Categoria an ID
// or -1 for all.
std::unique_ptr<TqrAgendaFechas> NuevoInformeFechas(int Formato, TDate Primero, TDate Ultimo, int Categoria);
