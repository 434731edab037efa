#pragma once
// The three report layouts, band by band, in millimetres. They only place
// what they are given; the report classes run the queries.

#include <QString>
#include <vector>

#include "core/DateTime.h"
#include "reports/BandReport.h"
#include "reports/ReportRows.h"

namespace reports {

// Header labels of the date-range reports.
struct CabeceraFechas {
  QString lblDesdeFecha;
  QString lblHastaFecha;
  QString lblCategoria;
};

// The footer common to the three layouts; the page number only on the
// date-range reports. ImpresoEl is the printing time shown.
ReportBand PiePagina(int Pagina, bool ConNumero, TDateTime ImpresoEl);
// The printing time as the footer writes it: the system's short date and
// long time formats.
QString TextoMomentoImpresion(TDateTime Momento);

// One appointment in full, under the title "Agenda".
BandReport LayoutAgendaCita(std::vector<CitaRow> Citas, TDateTime ImpresoEl);
// A range, one fixed-height band per appointment ("Detallado").
BandReport LayoutAgendaFechasDetalles(std::vector<CitaRow> Citas, const CabeceraFechas& Cabecera,
                                      TDateTime ImpresoEl);
// A range, one line per appointment ("Resumido").
BandReport LayoutAgendaFechasResumen(std::vector<CitaRow> Citas, const CabeceraFechas& Cabecera,
                                     TDateTime ImpresoEl);

}  // namespace reports
