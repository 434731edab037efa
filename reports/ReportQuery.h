#pragma once
// Rows of the reports' queries as the layouts take them.

#include <vector>

#include "reports/ReportRows.h"

namespace data {
class Query;
}

namespace reports {

// Every row of an open query, in the query's order. The query must give the
// columns of AGENDA and the joined CATEGORIA.
std::vector<CitaRow> LeerCitas(data::Query& Query);

}  // namespace reports
