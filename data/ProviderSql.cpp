// Provider support of SQL statements: added once the statement classes are part of the layer.

#include <memory>

#include "data/Provider.h"

std::unique_ptr<IProviderSupport> MakeSqlProviderSupport(TDataSet*) { return nullptr; }
