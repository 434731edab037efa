// The main window's data maintenance commands: backup, restore,
// reorganisation and the About box (whose generator fills the table).
#include <QTimer>

#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "app/UMainAgenda.h"
#include "calendar/RBCalendar.h"
#include "core/Messages.h"
#include "data/SharedMappings.h"
#include "data/Table.h"
#include "dialogs/UConfig.h"
#include "maintenance/UAcercaDeAgenda.h"
#include "timeview/RBTimeView.h"
#include "maintenance/UCopSeg.h"
#include "maintenance/UReindex.h"

void TfrmAgenda::AbrirTablaAgenda() {
  if (tblAgenda->Active()) return;
  try {
    tblAgenda->SetFolder(ConfigAgenda.DataPath.toStdString());
    tblAgenda->SetTableName("AGENDA.DBF");
    tblAgenda->Open();
    Historial.OlvidarFilas();
    if (!tblAgenda->ReadOnlyReason().empty())
      ShowWarning(QStringLiteral("La tabla de citas se ha abierto solo para lectura: no se podrán guardar cambios.\r\n") +
                      QString::fromStdString(tblAgenda->ReadOnlyReason()),
                  this);
    tblAgenda->SetIndexName("FECHA_INI");
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("No se pudo abrir la tabla de citas.\r\n") + QString::fromStdString(e.what()), this);
  }
}

MainWindowLink TfrmAgenda::Enlace() {
  MainWindowLink link;
  link.CloseTable = [this] {
    TerminarEdicion();  // stored while the table is still open
    tblAgenda->Close();
  };
  link.OpenTable = [this] { AbrirTablaAgenda(); };
  link.StopRefresh = [this] {
    tmrRefresh->stop();
    tmrRefreshPending->stop();
  };
  link.StartRefresh = [this] { tmrRefresh->start(); };
  link.Refresh = [this] { tmrRefreshTimer(); };
  return link;
}

void TfrmAgenda::Copiar1Click() {
  TerminarEdicion();
  tblAgenda->Close();
  CopiarDatos(this);
  AbrirTablaAgenda();
}

void TfrmAgenda::Restaurar1Click() {
  TerminarEdicion();
  tblAgenda->Close();
  RestaurarDatos(this);
  OlvidarCambios();
  AbrirTablaAgenda();
  try {
    if (Categorias) Categorias->Cargar();
  } catch (const std::exception& e) {
    ShowError(e, this);
  }
  CargarCitas(Calendar->StartDay(), Calendar->EndDay());
}

void TfrmAgenda::acReindexExecute() { Reorganizar(Enlace(), this); }

void TfrmAgenda::Acercade1Click() {
  // The test-data generator (reached from the box) empties the table and
  // fills it anew under IDs from 1: no change kept applies to it.
  MainWindowLink link = Enlace();
  link.OpenTable = [this] {
    OlvidarCambios();
    AbrirTablaAgenda();
  };
  AcercaDe(link, this);
}

// A new data folder is used only once both of its tables are there and can be
// read: the whole window and every dialog work on DataPath, so a folder the
// user declined, or one that cannot be used, gives the setting back to the
// folder in use (and config.ini with it) instead of leaving the window on
// one folder and its settings on another.
void TfrmAgenda::acConfigExecute() {
  const QString antes = ConfigAgenda.DataPath;
  const auto volver = [this, &antes] {
    ConfigAgenda.DataPath = antes;
    GuardarConfig();
    MostrarDirDatos();
  };
  TerminarEdicion();  // before another folder may replace the table
  try {
    EjecutarConfiguracion(this);
    for (int i = 0; i < TimeView->DaysCount(); ++i) AplicarHorario(TimeView->Days(i));
    TimeView->SetWorkingHoursColor(ConfigAgenda.WorkTimeColor);
    Calendar->update();
    if (ConfigAgenda.DataPath != antes) {
      MostrarDirDatos();
      if (!ComprobarTablas(ConfigAgenda.DataPath)) {
        volver();
      } else {
        try {
          // Read both tables before letting go of the ones in use.
          TCategorias prueba;
          prueba.Cargar();
          data::Table agenda(ConfigAgenda.DataPath.toStdString(), "AGENDA.DBF");
          agenda.Open();
          agenda.Close();
        } catch (const std::exception&) {
          volver();
          throw;
        }
        TimeView->Items()->Clear();
        tblAgenda->Close();
        OlvidarCambios();
        AbrirTablaAgenda();
        if (Categorias) Categorias->Cargar();
        data::ReleaseUnusedMappings();  // the old folder's files are no longer held
        tmrRefreshTimer();
      }
    }
    AjustarVigia();
    if (!tblAgenda->Active()) return;
    tblAgenda->SetIndexName("ID");
    for (int i = 0; i < TimeView->Items()->Count(); ++i) {
      TRBTimeViewItem* it = TimeView->Items()->Items(i);
      if (tblAgenda->FindKey(it->ItemID()))
        it->SetColor(ColorCategoria(static_cast<int>(tblAgenda->FieldByName("TIPO").AsInteger())));
    }
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("Error configurando programa.") + QString::fromStdString(e.what()), this);
  }
}
