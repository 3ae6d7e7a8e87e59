#pragma once

// The filter that locate hands to the engine: a filter text of the forms "[NAME] IS NULL" and
// "[NAME]=value" joined with " and ", and its compiled form (engine/DSIntf.h).

#include <string>
#include <vector>

#include "data/DB.h"

// The filter text for locating `values` in `fields` (one value per field). Text values are
// quoted (quotes doubled), with "*" appended to the last one for a partial key; numbers stand
// plain; dates are quoted short date text. Raises "Field '%s' is of an unsupported type".
std::string BuildLocateFilter(const std::vector<const TField*>& fields,
                              const std::vector<TVariant>& values, TLocateOptions options);

// Compiles a filter text against the fields of `dataSet` with the locate options (case
// insensitive; "*" as a prefix mark only with the partial option). Raises EDatabaseError
// "Invalid filter expression" for text it cannot read.
std::vector<uint8_t> CompileLocateFilter(const std::string& filter, const TDataSet& dataSet,
                                         TLocateOptions options);
