#pragma once

// The sorting-service registry: a result-set class may have a service that orders its rows by
// the grid's sort-marked columns. No service is registered in this program, so title clicks
// change the markers only and the rows keep the order the result set delivered.

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TDataSet;
class TDBGridEh;

// The one operation a sorting service offers: reorder `dataSet` by the grid's sort-marked
// columns in list order, each by its marker, honouring the grid's SortLocal.
class TSortingServiceEh {
 public:
  virtual ~TSortingServiceEh() = default;
  virtual void ApplySorting(TDBGridEh& grid, TDataSet& dataSet, bool isOpen) = 0;
};

// Registers `service` for the result-set class named `dataSetClass` (and its descendants).
// Raises std::invalid_argument when that class already has one (names compare without case).
void RegisterSortingService(const std::string& dataSetClass,
                            std::shared_ptr<TSortingServiceEh> service);
// Removes the service of `dataSetClass`, if any.
void UnregisterSortingService(const std::string& dataSetClass);
// Empties the registry (at shutdown).
void ClearSortingServices();

// The class names of `dataSet`, from its own class up through its ancestors.
std::vector<std::string> DataSetClassChain(const TDataSet& dataSet);

// The service registered for the nearest class of `dataSet` (its own class, else the closest
// ancestor); nullptr when none. The registry is empty in this program.
std::shared_ptr<TSortingServiceEh> FindSortingService(const TDataSet& dataSet);
