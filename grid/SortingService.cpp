// The sorting-service registry and its nearest-class look-up.
#include "grid/SortingService.h"

#include <strings.h>

#include <stdexcept>
#include <utility>

#include "data/DB.h"
#include "data/DBClient.h"

namespace {

struct Registration {
  std::string DataSetClass;
  std::shared_ptr<TSortingServiceEh> Service;
};

std::vector<Registration>& Registry() {
  static std::vector<Registration> registry;
  return registry;
}

bool SameName(const std::string& a, const std::string& b) {
  return strcasecmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace

void RegisterSortingService(const std::string& dataSetClass,
                            std::shared_ptr<TSortingServiceEh> service) {
  for (const Registration& r : Registry()) {
    if (SameName(r.DataSetClass, dataSetClass)) {
      throw std::invalid_argument("Sorting service already registered for " + dataSetClass);
    }
  }
  Registry().push_back({dataSetClass, std::move(service)});
}

void UnregisterSortingService(const std::string& dataSetClass) {
  auto& registry = Registry();
  for (auto it = registry.begin(); it != registry.end(); ++it) {
    if (SameName(it->DataSetClass, dataSetClass)) {
      registry.erase(it);
      return;
    }
  }
}

void ClearSortingServices() { Registry().clear(); }

std::vector<std::string> DataSetClassChain(const TDataSet& dataSet) {
  if (dynamic_cast<const TClientDataSet*>(&dataSet) != nullptr) {
    return {"TClientDataSet", "TCustomClientDataSet", "TDataSet"};
  }
  if (dynamic_cast<const TCustomClientDataSet*>(&dataSet) != nullptr) {
    return {"TCustomClientDataSet", "TDataSet"};
  }
  return {"TDataSet"};
}

std::shared_ptr<TSortingServiceEh> FindSortingService(const TDataSet& dataSet) {
  const std::vector<std::string> chain = DataSetClassChain(dataSet);
  // The nearest class wins: fewest steps from the data set's own class up to the registered one.
  for (const std::string& name : chain) {
    for (const Registration& r : Registry()) {
      if (SameName(r.DataSetClass, name)) return r.Service;
    }
  }
  return nullptr;
}
