#pragma once
// The report of one appointment in full.

#include "data/sql/Query.h"
#include "reports/BandReport.h"

class TqrAgendaCita {
 public:
  // Binds qryAgenda to the data folder with its fixed text; the caller sets
  // the integer parameter pID.
  TqrAgendaCita();

  // Opens the query, lays the report out from its rows and closes it again.
  reports::BandReport Preparar();

  data::Query qryAgenda;
};
