// Provider support of SQL statements: their PS* operations behind IProviderSupport.

#include <memory>

#include "data/Provider.h"
#include "data/SqlExpr.h"

namespace {

class SqlSupport : public IProviderSupport {
 public:
  explicit SqlSupport(TCustomSQLDataSet* statement) : statement_(statement) {}
  void PSSetCommandText(const std::string& text) override { statement_->PSSetCommandText(text); }
  void PSSetParams(const TParams& params) override { statement_->PSSetParams(params); }
  TParams PSGetParams() const override { return statement_->Params(); }
  void PSReset() override { statement_->PSReset(); }
  void PSExecute() override { statement_->ExecSQL(); }
  int32_t PSGetLocaleId() const override { return statement_->PSGetLocaleId(); }

 private:
  TCustomSQLDataSet* statement_;
};

}  // namespace

std::unique_ptr<IProviderSupport> MakeSqlProviderSupport(TDataSet* dataSet) {
  if (auto* statement = dynamic_cast<TCustomSQLDataSet*>(dataSet)) {
    return std::make_unique<SqlSupport>(statement);
  }
  return nullptr;
}
