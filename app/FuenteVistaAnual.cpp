#include "app/FuenteVistaAnual.h"

#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "calendar/AnnualViewData.h"
#include "data/sql/Query.h"

void InstalarFuenteVistaAnual() {
  AnnualViewSource source;
  source.markDayColor = [] { return ConfigAgenda.MarkDayColor; };
  source.categories = [] {
    std::vector<AnnualViewCategory> list;
    for (int i = 0; Categorias && i < Categorias->Count(); ++i) {
      const TCategoria* c = Categorias->CategoriaEn(i);
      list.push_back({c->ID, c->Nombre, c->Color});
    }
    return list;
  };
  source.runMarksQuery = [](const AnnualMarksQuery& q, const std::function<void(TDateTime)>& onRow) {
    data::Query qry(ConfigAgenda.DataPath.toStdString());
    std::vector<std::string> lines;
    for (const QString& l : q.sql.split(u'\n')) lines.push_back(l.toStdString());
    qry.SetSQL(lines);
    qry.ParamByName("pYear").SetAsInteger(q.pYear);
    if (q.pCategoria) qry.ParamByName("pCategoria").SetAsInteger(*q.pCategoria);
    qry.Open();
    for (qry.First(); !qry.Eof(); qry.Next()) onRow(qry.FieldByName("FECHA").AsDate());
    qry.Close();
  };
  SetAnnualViewSource(std::move(source));
}
