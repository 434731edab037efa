#include "reports/UqrAgendaFechas.h"

#include "app/CitasEntre.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "core/Clock.h"
#include "core/DateFormat.h"
#include "reports/ReportQuery.h"
#include "reports/UqrAgendaFechasDetalles.h"
#include "reports/UqrAgendaFechasResumen.h"

TqrAgendaFechas::TqrAgendaFechas(TDateTime Desde, TDateTime Hasta, int Categoria)
    : desde_(Desde), hasta_(Hasta), categoria_(Categoria) {}

void TqrAgendaFechas::QuickRepBeforePrint() {
  qryAgenda.Close();
  qryAgenda.SetFolder(ConfigAgenda.DataPath.toStdString());
  PrepararCitasEntre(qryAgenda, desde_, hasta_, categoria_);
  qryAgenda.Open();

  Cabecera.lblDesdeFecha = FormatDateTime(QStringLiteral("dd/mm/yyyy"), desde_);
  Cabecera.lblHastaFecha = FormatDateTime(QStringLiteral("dd/mm/yyyy"), hasta_);
  if (categoria_ == -1) {
    Cabecera.lblCategoria = QStringLiteral("(Todas)");
  } else if (categoria_ == 0) {
    Cabecera.lblCategoria = QStringLiteral("Normal");
  } else {
    const TCategoria* c = Categorias ? Categorias->BuscarID(categoria_) : nullptr;
    Cabecera.lblCategoria = c ? c->Nombre : QString();
  }
}

reports::BandReport TqrAgendaFechas::Preparar() {
  QuickRepBeforePrint();
  std::vector<reports::CitaRow> rows = reports::LeerCitas(qryAgenda);
  qryAgenda.Close();
  return Layout(std::move(rows), Clock::Now());
}

int ContarCitasEntre(TDate Primero, TDate Ultimo) {
  data::Query qry(ConfigAgenda.DataPath.toStdString());
  qry.SetSQL({"SELECT COUNT(*) AS CUANTAS", "FROM \"AGENDA.DBF\"", "WHERE FECHA_INI BETWEEN :DESDE AND :HASTA"});
  qry.ParamByName("DESDE").SetAsDate(Primero);
  qry.ParamByName("HASTA").SetAsDate(Ultimo);
  qry.Open();
  return static_cast<int>(qry.FieldByName("CUANTAS").AsInteger());
}

std::unique_ptr<TqrAgendaFechas> NuevoInformeFechas(int Formato, TDate Primero, TDate Ultimo, int Categoria) {
  const TDateTime desde = dt::DateOf(Primero);
  const TDateTime hasta = dt::DateOf(Ultimo) + dt::EncodeTime(23, 59, 59, 999);
  if (Formato == 1) return std::make_unique<TqrAgendaFechasResumen>(desde, hasta, Categoria);
  return std::make_unique<TqrAgendaFechasDetalles>(desde, hasta, Categoria);
}
