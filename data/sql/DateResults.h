#pragma once
// Which result columns of a query hold dates although SQLite declares no
// type for them: MIN(FECHA_INI) is a day count like FECHA_INI itself.
#include <functional>
#include <string>
#include <vector>

namespace data::sql {

// For each of the `columns` result columns of the text's first SELECT (as
// SQLite takes it), whether its expression passes a date column's value on
// unchanged: the column itself, in parentheses, or through MIN, MAX,
// COALESCE, IFNULL or NULLIF, the functions that return one of their
// arguments. `isDateColumn` answers for a column name (the last part of a
// qualified name, quotes removed). Anything else, and a column that cannot
// be matched to its item of the list (between two "*"), is false.
std::vector<bool> DateValuedColumns(const std::string& text, int columns,
                                    const std::function<bool(const std::string&)>& isDateColumn);

}  // namespace data::sql
