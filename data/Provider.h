#pragma once

// Providers and the in-process application server: a provider runs its source data set and
// packs its fields and rows into one data packet for a client result set (TClientDataSet),
// which talks to it through IAppServer. Failures inside the provider reach the client as
// EOleException carrying the provider's message.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/DB.h"
#include "platform/Errors.h"

class TCustomProvider;

// A packet as it travels between client and provider: a variant array of bytes, or none.
using TDataPacket = std::optional<std::vector<uint8_t>>;

using HRESULT = int32_t;
inline constexpr HRESULT S_OK_RESULT = 0;
inline constexpr HRESULT E_UNEXPECTED_RESULT = static_cast<HRESULT>(0x8000FFFFu);
// The server ran out of memory: the calling side raises std::bad_alloc, not a server error.
inline constexpr HRESULT E_OUTOFMEMORY_RESULT = static_cast<HRESULT>(0x8007000Eu);
// {7F4E2A90-3C1B-4D6E-8A25-91B0C4D3E6F2}: the interface named in the error information.
inline constexpr const char* kAppServerErrorIid = "{7F4E2A90-3C1B-4D6E-8A25-91B0C4D3E6F2}";

// An OLE error raised on the calling side of IAppServer: the message, help context and status
// of the failure inside the server.
class EOleException : public platform::Exception {
 public:
  EOleException(std::string message, HRESULT errorCode, int helpContext = 0,
                std::string source = {})
      : platform::Exception(std::move(message)),
        errorCode_(errorCode),
        helpContext_(helpContext),
        source_(std::move(source)) {}
  HRESULT ErrorCode() const { return errorCode_; }
  int HelpContext() const { return helpContext_; }
  const std::string& Source() const { return source_; }

 private:
  HRESULT errorCode_;
  int helpContext_;
  std::string source_;
};

// The error information a failing IAppServer call leaves behind.
struct TErrorInfo {
  std::string Description;
  int HelpContext = 0;
  std::string Iid;
};

// Options bits of AS_GetRecords.
enum : int { grMetaData = 1, grReset = 2, grXML = 4, grXMLUTF8 = 8 };

// The application server interface. Every operation returns a COM status; after a failing one,
// GetErrorInfo gives the message.
class IAppServer {
 public:
  virtual ~IAppServer() = default;
  virtual HRESULT AS_ApplyUpdates(const std::string& providerName, const TDataPacket& delta,
                                  int maxErrors, int& errorCount, TVariant& ownerData,
                                  TDataPacket& result) = 0;
  virtual HRESULT AS_GetRecords(const std::string& providerName, int count, int& recsOut,
                                int options, const std::string& commandText, TParams& params,
                                TVariant& ownerData, TDataPacket& result) = 0;
  virtual HRESULT AS_DataRequest(const std::string& providerName, const TVariant& data,
                                 TVariant& result) = 0;
  virtual HRESULT AS_GetProviderNames(std::vector<std::string>& result) = 0;
  virtual HRESULT AS_GetParams(const std::string& providerName, TVariant& ownerData,
                               TParams& result) = 0;
  virtual HRESULT AS_RowRequest(const std::string& providerName, const TDataPacket& row,
                                int requestType, TVariant& ownerData, TDataPacket& result) = 0;
  virtual HRESULT AS_Execute(const std::string& providerName, const std::string& commandText,
                             TParams& params, TVariant& ownerData) = 0;
  virtual bool GetErrorInfo(TErrorInfo& info) = 0;
};

// Raises a failing status as EOleException with the server's error information.
void OleCheck(HRESULT status, IAppServer& server);

// The in-process application server around one provider: runs the provider's operation and
// returns 0, or, when it raises, E_UNEXPECTED (or the status of an OLE error) with the
// exception's message as error information.
class TLocalAppServer : public IAppServer {
 public:
  explicit TLocalAppServer(TCustomProvider* provider);
  HRESULT AS_ApplyUpdates(const std::string& providerName, const TDataPacket& delta, int maxErrors,
                          int& errorCount, TVariant& ownerData, TDataPacket& result) override;
  HRESULT AS_GetRecords(const std::string& providerName, int count, int& recsOut, int options,
                        const std::string& commandText, TParams& params, TVariant& ownerData,
                        TDataPacket& result) override;
  HRESULT AS_DataRequest(const std::string& providerName, const TVariant& data,
                         TVariant& result) override;
  HRESULT AS_GetProviderNames(std::vector<std::string>& result) override;
  HRESULT AS_GetParams(const std::string& providerName, TVariant& ownerData,
                       TParams& result) override;
  HRESULT AS_RowRequest(const std::string& providerName, const TDataPacket& row, int requestType,
                        TVariant& ownerData, TDataPacket& result) override;
  HRESULT AS_Execute(const std::string& providerName, const std::string& commandText,
                     TParams& params, TVariant& ownerData) override;
  bool GetErrorInfo(TErrorInfo& info) override;

 private:
  // Runs `call`, turning an exception into a status and error information.
  HRESULT Guard(const std::function<void()>& call);
  TCustomProvider* provider_;
  std::optional<TErrorInfo> error_;
};

// The container (form or data module) whose providers client result sets find by name.
class TProviderOwner {
 public:
  TProviderOwner() = default;
  ~TProviderOwner();
  TProviderOwner(const TProviderOwner&) = delete;
  TProviderOwner& operator=(const TProviderOwner&) = delete;
  // The provider named `name` (without regard to case), or nullptr.
  TCustomProvider* FindProvider(const std::string& name) const;

 private:
  friend class TCustomProvider;
  std::vector<TCustomProvider*> providers_;
};

// What a provider asks of its source data set beyond TDataSet. SQL statements (TSQLQuery)
// answer through their PS* operations; other data sets may implement it themselves.
class IProviderSupport {
 public:
  virtual ~IProviderSupport() = default;
  // A non-empty text becomes the source's command text; an empty one keeps the source's own.
  virtual void PSSetCommandText(const std::string& text) = 0;
  virtual void PSSetParams(const TParams& params) = 0;
  virtual TParams PSGetParams() const = 0;
  // Goes back to the first row when open.
  virtual void PSReset() = 0;
  virtual void PSExecute() = 0;
  // The "LCID" packet attribute, or -1 when the source has none.
  virtual int32_t PSGetLocaleId() const { return -1; }

  // Applying updates: transactions, the table behind the source, and direct execution.
  virtual bool PSInTransaction() const { return false; }
  virtual void PSStartTransaction() {}
  virtual void PSEndTransaction(bool /*commit*/) {}
  virtual std::string PSGetTableName() const { return {}; }
  virtual std::string PSGetQuoteChar() const { return "\""; }
  virtual std::string PSGetKeyFields() const { return {}; }
  virtual bool PSIsSQLBased() const { return false; }
  // Runs `sql` with `params` by position; returns the rows affected.
  virtual int PSExecuteStatement(const std::string& /*sql*/, const TParams& /*params*/) {
    DatabaseError("Capability not supported");
  }
};

// Resolver responses and update kinds of applying updates.
enum TResolverResponse { rrSkip, rrAbort, rrMerge, rrApply, rrIgnore };
enum TUpdateKind { ukModify, ukInsert, ukDelete };

// The provider support of `dataSet`: its own when it implements IProviderSupport, the SQL
// statement's, or one that does nothing.
std::unique_ptr<IProviderSupport> ProviderSupportFor(TDataSet* dataSet);

// Provider base: a named component of an owner, reached through IAppServer.
class TCustomProvider {
 public:
  explicit TCustomProvider(std::string name = "", TProviderOwner* owner = nullptr);
  virtual ~TCustomProvider();
  TCustomProvider(const TCustomProvider&) = delete;
  TCustomProvider& operator=(const TCustomProvider&) = delete;

  const std::string& Name() const { return name_; }
  TProviderOwner* Owner() const { return owner_; }
  bool Exported() const { return exported_; }
  void SetExported(bool value) { exported_ = value; }
  // The data set a client must not feed itself from (circular references); nullptr here.
  virtual TDataSet* SourceDataSet() const { return nullptr; }

  // Operations behind IAppServer.
  virtual TDataPacket GetRecords(int count, int& recsOut, int options,
                                 const std::string& commandText, TParams& params,
                                 TVariant& ownerData) = 0;
  virtual TDataPacket ApplyUpdates(const TDataPacket& delta, int maxErrors, int& errorCount,
                                   TVariant& ownerData) = 0;
  virtual TParams GetParams(TVariant& ownerData) = 0;
  virtual void Execute(const std::string& commandText, TParams& params, TVariant& ownerData) = 0;
  virtual TVariant DataRequest(const TVariant& input) { return input; }
  virtual TDataPacket RowRequest(const TDataPacket& row, int /*requestType*/,
                                 TVariant& /*ownerData*/) {
    return row;
  }

 private:
  friend class TProviderOwner;
  std::string name_;
  TProviderOwner* owner_;
  bool exported_ = true;
};

class TBaseProvider : public TCustomProvider {
 public:
  using TCustomProvider::TCustomProvider;
};

enum TProviderOption : unsigned {
  poFetchBlobsOnDemand = 1u << 0,
  poFetchDetailsOnDemand = 1u << 1,
  poIncFieldProps = 1u << 2,
  poCascadeDeletes = 1u << 3,
  poCascadeUpdates = 1u << 4,
  poReadOnly = 1u << 5,
  poAllowMultiRecordUpdates = 1u << 6,
  poDisableInserts = 1u << 7,
  poDisableEdits = 1u << 8,
  poDisableDeletes = 1u << 9,
  poNoReset = 1u << 10,
  poAutoRefresh = 1u << 11,
  poPropogateChanges = 1u << 12,
  poAllowCommandText = 1u << 13,
  poRetainServerOrder = 1u << 14
};
using TProviderOptions = unsigned;

enum TUpdateMode { upWhereAll, upWhereChanged, upWhereKeyOnly };

// Packs the fields and rows of its source data set (DataSet) into data packets.
class TDataSetProvider : public TBaseProvider {
 public:
  explicit TDataSetProvider(std::string name = "", TProviderOwner* owner = nullptr);
  ~TDataSetProvider() override;

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);
  TProviderOptions Options() const { return options_; }
  void SetOptions(TProviderOptions options) { options_ = options; }
  TUpdateMode UpdateMode() const { return updateMode_; }
  void SetUpdateMode(TUpdateMode mode) { updateMode_ = mode; }
  bool ResolveToDataSet() const { return resolveToDataSet_; }
  void SetResolveToDataSet(bool value) { resolveToDataSet_ = value; }
  bool Constraints() const { return constraints_; }
  void SetConstraints(bool value) { constraints_ = value; }
  TDataSet* SourceDataSet() const override { return dataSet_; }
  // Rows written to packets since the last reset.
  int RecordsSent() const { return recordsSent_; }

  TDataPacket GetRecords(int count, int& recsOut, int options, const std::string& commandText,
                         TParams& params, TVariant& ownerData) override;
  TDataPacket ApplyUpdates(const TDataPacket& delta, int maxErrors, int& errorCount,
                           TVariant& ownerData) override;
  TParams GetParams(TVariant& ownerData) override;
  void Execute(const std::string& commandText, TParams& params, TVariant& ownerData) override;
  // Closes a source the provider opened itself and sends it back to its first row.
  void Reset();
  // The statements the last apply executed (for inspection), in order.
  const std::vector<std::string>& ExecutedStatements() const { return executed_; }

  std::function<void(TDataSetProvider&, TVariant& ownerData)> BeforeGetRecords;
  std::function<void(TDataSetProvider&, TVariant& ownerData)> AfterGetRecords;
  // Called after each row written to a packet, with the rows the request has written so far;
  // lets a caller show progress while a long result arrives.
  std::function<void(int rows)> OnRowWritten;

 private:
  class Writer;
  IProviderSupport& Support();
  void CreateWriter();
  // Writes rows from the source's current row: at most `count` (-1 = all). Returns the rows.
  int WriteRows(int count);

  TDataSet* dataSet_ = nullptr;
  TProviderOptions options_ = 0;
  TUpdateMode updateMode_ = upWhereAll;
  bool resolveToDataSet_ = false;
  bool constraints_ = true;
  bool dataSetOpened_ = false;
  int recordsSent_ = 0;
  std::unique_ptr<IProviderSupport> support_;
  std::unique_ptr<Writer> writer_;
  std::vector<std::string> executed_;
  friend class TSQLResolver;
};

// Turns each change of a change packet into an UPDATE, INSERT or DELETE for the table behind
// the provider's source, runs it, and collects the failures into an error packet.
class TSQLResolver {
 public:
  explicit TSQLResolver(TDataSetProvider& provider);
  // Resolves every change (stopping after more than `maxErrors` failures, -1 = no limit);
  // returns the error packet, or none when every change was applied.
  TDataPacket Resolve(const std::vector<uint8_t>& delta, int maxErrors, int& errorCount);

 private:
  struct Impl;
  TDataSetProvider& provider_;
};
