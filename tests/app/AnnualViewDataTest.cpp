#include "MainWindowFixture.h"
#include "app/FuenteVistaAnual.h"
#include "calendar/AnnualViewData.h"

// The marks of the annual view come from the real tables: the start day of
// each appointment of the year, optionally of one category.
TEST_F(MainWindowTest, AnnualViewMarksComeFromTheStartDaysOfTheYear) {
  CrearTablaAgenda(folder);
  AddCita(1, D(30, 12, 2004), "10:00", D(2, 1, 2005), "11:00", "Fin de año");
  AddCita(2, D(5, 3, 2004), "10:00", D(5, 3, 2004), "11:00", "Marzo");
  AddCita(3, D(5, 3, 2004), "12:00", D(5, 3, 2004), "13:00", "Marzo otra");
  {
    data::Table t(folder.toStdString(), "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    ASSERT_TRUE(t.FindKey(3));
    t.Edit();
    t.FieldByName("TIPO").SetAsInteger(4);
    ASSERT_TRUE(t.Post());
  }
  ConfigAgenda.DataPath = folder;
  InstalarFuenteVistaAnual();
  const auto run = [](int year, std::optional<int> cat) {
    AnnualMarksQuery q;
    q.sql = "SELECT DISTINCT(FECHA_INI) AS FECHA\nFROM AGENDA\nWHERE EXTRACT(YEAR FROM FECHA_INI)=:pYear";
    if (cat) q.sql += "\nAND TIPO=:pCategoria";
    q.sql += "\nORDER BY FECHA";
    q.pYear = year;
    q.pCategoria = cat;
    std::vector<TDateTime> days;
    CurrentAnnualViewSource().runMarksQuery(q, [&](TDateTime d) { days.push_back(d); });
    return days;
  };
  EXPECT_EQ(run(2004, std::nullopt), (std::vector<TDateTime>{D(5, 3, 2004), D(30, 12, 2004)}));
  EXPECT_TRUE(run(2005, std::nullopt).empty());
  EXPECT_EQ(run(2004, 4), (std::vector<TDateTime>{D(5, 3, 2004)}));
}
