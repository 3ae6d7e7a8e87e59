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
  bool PSInTransaction() const override { return statement_->PSInTransaction(); }
  void PSStartTransaction() override { statement_->PSStartTransaction(); }
  void PSEndTransaction(bool commit) override { statement_->PSEndTransaction(commit); }
  std::string PSGetTableName() const override { return statement_->PSGetTableName(); }
  std::string PSGetQuoteChar() const override { return statement_->PSGetQuoteChar(); }
  std::string PSGetKeyFields() const override { return statement_->PSGetKeyFields(); }
  bool PSIsSQLBased() const override { return statement_->PSIsSQLBased(); }
  int PSExecuteStatement(const std::string& sql, const TParams& params) override {
    return statement_->PSExecuteStatement(sql, &params);
  }

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
