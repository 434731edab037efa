#include "reports/UqrAgendaCita.h"

#include "app/UConfigAgenda.h"
#include "core/Clock.h"
#include "reports/ReportLayouts.h"
#include "reports/ReportQuery.h"

TqrAgendaCita::TqrAgendaCita() {
  qryAgenda.SetFolder(ConfigAgenda.DataPath.toStdString());
  qryAgenda.SetSQL({"SELECT A.*, C.CATEGORIA", "FROM AGENDA AS A", "LEFT JOIN CATEGORIAS AS C ON C.ID=A.TIPO",
                    "WHERE A.ID=:pID"});
}

reports::BandReport TqrAgendaCita::Preparar() {
  qryAgenda.Open();
  std::vector<reports::CitaRow> rows = reports::LeerCitas(qryAgenda);
  qryAgenda.Close();
  return reports::LayoutAgendaCita(std::move(rows), Clock::Now());
}
