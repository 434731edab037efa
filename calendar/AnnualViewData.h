#pragma once
// What the annual view reads from outside the calendar subsystem: the
// configured mark colour, the category list and the marks query run on the
// data folder. The program installs one source at start-up (the
// configuration, the global category list and the SQL layer); until then
// the annual view reports that its data are not available.

#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "core/Colors.h"
#include "core/DateTime.h"

struct AnnualViewCategory {
  int ID = 0;
  QString Nombre;
  TColor Color = 0;
};

// One run of the marks query: the query text and its two parameters by name.
struct AnnualMarksQuery {
  QString sql;
  int pYear = 0;
  std::optional<int> pCategoria;  // bound only when the text names it
};

struct AnnualViewSource {
  // The configured colour of days with appointments (MarkDayColor).
  std::function<TColor()> markDayColor;
  // The categories in list order, as the category list holds them.
  std::function<std::vector<AnnualViewCategory>()> categories;
  // Runs the query on the data folder and calls onRow with the FECHA value of
  // every row in order. Failures are thrown (std::exception) with their text;
  // rows already passed to onRow stay delivered.
  std::function<void(const AnnualMarksQuery& query, const std::function<void(TDateTime fecha)>& onRow)>
      runMarksQuery;
};

// Installs the source every annual view reads; an empty source uninstalls it.
void SetAnnualViewSource(AnnualViewSource source);
const AnnualViewSource& CurrentAnnualViewSource();
