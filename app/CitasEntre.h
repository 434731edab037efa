#pragma once
// The appointments that start between two moments, all of them or those of
// one category, with their category's name (CATEGORIA, empty when no such
// category exists), in order of start: what the range reports print and the
// calendar export writes.

#include "core/DateTime.h"

namespace data {
class Query;
}

// Sets the query's text and parameters (its folder is the caller's).
// Categoria: a category ID, or -1 for all.
void PrepararCitasEntre(data::Query& Query, TDateTime Desde, TDateTime Hasta, int Categoria);
