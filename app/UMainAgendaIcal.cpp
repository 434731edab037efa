// The main window's iCalendar commands: import a file into the data folder,
// export a range of days to a file.
#include <QAction>

#include "app/UMainAgenda.h"
#include "calendar/RBCalendar.h"
#include "data/Table.h"
#include "dialogs/UImportarIcal.h"
#include "reports/UExportarIcal.h"

void TfrmAgenda::acImportarIcalExecute() {
  TerminarEdicion();  // stored while the table is still open
  // The periodic refresh would reload the view halfway through; with the
  // window's own table closed the import may have the table to itself.
  tmrRefresh->stop();
  tblAgenda->Close();
  const bool guardado = ImportarCalendario(this, [this](TDate desde, TDate hasta) { AvisarCambio(desde, hasta); });
  AbrirTablaAgenda();
  tmrRefresh->start();
  if (guardado) CargarCitas(Calendar->StartDay(), Calendar->EndDay());
}

void TfrmAgenda::acExportarIcalExecute() {
  ExportarCalendario(this, Calendar->SelectionStart(), Calendar->SelectionEnd());
}
