#include "app/CitasEntre.h"

#include "data/sql/Query.h"

void PrepararCitasEntre(data::Query& Query, TDateTime Desde, TDateTime Hasta, int Categoria) {
  Query.SetSQL({"SELECT A.*, C.CATEGORIA", "FROM AGENDA AS A", "LEFT JOIN CATEGORIAS AS C ON C.ID=A.TIPO",
                "WHERE A.FECHA_INI>=:pDesdeFecha AND A.FECHA_INI<=:pHastaFecha"});
  if (Categoria != -1) Query.AddSQL("AND A.TIPO=:pCategoria");
  Query.AddSQL("ORDER BY A.FECHA_INI, A.HORA_INI");
  Query.ParamByName("pDesdeFecha").SetAsDate(Desde);
  Query.ParamByName("pHastaFecha").SetAsDate(Hasta);
  if (Categoria != -1) Query.ParamByName("pCategoria").SetAsInteger(Categoria);
}
