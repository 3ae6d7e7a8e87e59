#pragma once

// The client result set: rows kept in memory by the record store engine (libdsengine.so),
// fed by a provider of the same owner through IAppServer, with navigation, bookmarks, locate,
// editing and a change log.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/DB.h"
#include "data/DSEngine.h"
#include "data/Provider.h"

class TCustomClientDataSet : public TDataSet {
 public:
  // `owner` holds the providers that ProviderName names.
  explicit TCustomClientDataSet(std::string name = "", TProviderOwner* owner = nullptr);
  ~TCustomClientDataSet() override;

  TProviderOwner* Owner() const { return owner_; }
  void SetOwner(TProviderOwner* owner) { owner_ = owner; }
  const std::string& ProviderName() const { return providerName_; }
  void SetProviderName(std::string name);
  const std::string& CommandText() const { return commandText_; }
  // A non-empty text rebuilds Params from its ":name" references (values of parameters of the
  // same name are kept); an empty text clears Params.
  void SetCommandText(const std::string& text);
  TParams& Params() { return params_; }
  const TParams& Params() const { return params_; }
  // Rows per request; -1 = all rows at once.
  int PacketRecords() const { return packetRecords_; }
  void SetPacketRecords(int value) { packetRecords_ = value; }
  bool FetchOnDemand() const { return fetchOnDemand_; }
  void SetFetchOnDemand(bool value) { fetchOnDemand_ = value; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  bool ObjectView() const { return objectView_; }
  void SetObjectView(bool value) { objectView_ = value; }
  // A unidirectional result set holds only the packet it is reading: each further packet
  // takes the place of the rows already passed, so that a walk from the first row to the last
  // keeps one packet in memory at a time. It moves forward only (First only before the second
  // packet), gives no bookmarks, cannot locate or be edited. Requires: the result set is closed.
  void SetUniDirectional(bool value);
  bool IsUniDirectional() const override { return uniDirectional_; }
  // The application server of the provider (made on first use; released at close).
  IAppServer* AppServer();
  // The engine's data store and cursor while open (nullptr when closed).
  IDSBase* DSBase() const { return store_.get(); }
  IDSCursor* DSCursor() const { return cursor_.get(); }

  // Record numbers and counts (sequence numbers in the current order, from 1).
  int RecNo() const override;
  void SetRecNo(int value) override;
  // The number of rows in the store. Requires: the result set is open.
  int RecordCount() const override;
  // Opens this result set on the rows `source` holds now, with a cursor and default fields of
  // its own and no provider: the rows are shared, not copied, and stay while either result set
  // holds them. Requires: `source` is open and this result set is closed.
  void OpenSharing(const TCustomClientDataSet& source);
  // True when the provider has no further rows to give: the store holds the whole result.
  bool AllRowsFetched() const { return IsCursorOpen() && providerEof_; }
  bool IsSequenced() const override { return true; }

  int CompareBookmarks(const TBookmark& a, const TBookmark& b) const override;
  bool BookmarkValid(const TBookmark& bookmark) const override;
  bool Locate(const std::string& keyFields, const std::vector<TVariant>& keyValues,
              TLocateOptions options) override;

  bool CanModify() const override;
  // Changes in the change log (0 when closed).
  int ChangeCount() const;
  // Cancels a pending edit and rolls the change log back: rows return to their opened state.
  void CancelUpdates();
  // Accepts every change: the change log empties and the changed rows become base data.
  void MergeChangeLog();
  TUpdateStatus UpdateStatus() const;
  // The change log as a change packet (none when there are no changes).
  TDataPacket Delta() const;
  // Sends the change log to the provider; returns the number of errors.
  int ApplyUpdates(int maxErrors);
  // The messages of the rows that failed in the last ApplyUpdates, in order (none when every
  // change was applied).
  const std::vector<std::string>& ApplyErrors() const { return applyErrors_; }

  bool GetFieldData(const TField& field, void* buffer) const override;
  void SetFieldData(TField& field, const void* buffer) override;

  TDataSetNotifyEvent BeforeGetRecords, AfterGetRecords, BeforeApplyUpdates, AfterApplyUpdates;

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override { return static_cast<bool>(cursor_); }
  void InternalInitFieldDefs() override;
  size_t RecordBufferSize() const override;
  TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode) override;
  void CheckFirstAllowed() const override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalSetToRecord(const TRecordBuffer& buffer) override;
  void InternalInitRecord(TRecordBuffer& buffer) override;
  void InternalEdit() override;
  void InternalInsert() override;
  void InternalPost() override;
  void InternalCancel() override;
  void InternalDelete() override;
  void InternalGotoBookmark(const TBookmark& bookmark) override;
  TBookmark BookmarkOfBuffer(const TRecordBuffer& buffer) const override;

 private:
  // Asks the provider for the rows (the first packet, with the metadata, the command text and
  // the parameters, when `first`); returns the packet and sets the provider-end flag.
  std::vector<uint8_t> GetRecordsFromProvider(bool first = true);
  // Loads the provider's next packet into the store when rows remain there; returns the
  // sequence number of its first row, 0 when no row came. A unidirectional set puts the packet
  // in a store of its own in place of the former one.
  uint32_t GetNextPacket();
  // Raises "Operation not allowed on a unidirectional dataset" for a unidirectional set.
  void CheckBiDirectional() const;
  TCustomProvider* FindProvider() const;
  void ReleaseStore();
  void ReadOpenOptions();
  void ApplyFieldProperties();
  bool BoolAttribute(uint32_t field, const char* name) const;
  // The engine's descriptor of `field`'s column, or nullptr for a field without one.
  const DSFLDDesc* DescOf(const TField& field) const;
  void Check(DBResult status) const;
  // Record information stored after the engine's record in each buffer.
  uint32_t SeqNoOf(const TRecordBuffer& buffer) const;
  uint8_t AttrOf(const TRecordBuffer& buffer) const;
  void FillRecordInfo(TRecordBuffer& buffer);

  TProviderOwner* owner_;
  std::string providerName_;
  std::string commandText_;
  TParams params_;
  int packetRecords_ = -1;
  bool fetchOnDemand_ = true;
  bool readOnly_ = false;
  bool objectView_ = true;
  bool uniDirectional_ = false;
  uint32_t rowsPassed_ = 0;  // rows of earlier packets a unidirectional set let go

  const TCustomClientDataSet* shareFrom_ = nullptr;  // set only while OpenSharing opens
  std::unique_ptr<IAppServer> appServer_;
  DSRef<IDSBase> store_;
  DSRef<IDSCursor> cursor_;
  bool providerEof_ = false;
  bool disableEdits_ = false;
  bool disableInserts_ = false;
  bool disableDeletes_ = false;
  bool noResetCall_ = false;
  bool storeReadOnly_ = false;
  uint32_t recordSize_ = 0;
  uint32_t bookmarkSize_ = 0;
  std::vector<DSFLDDesc> descs_;
  TBookmark insertBefore_;  // row an inserted record goes before (empty = at the end)
  bool destroying_ = false;
  mutable std::vector<uint8_t> scratch_;
  std::vector<std::string> applyErrors_;
};

class TClientDataSet : public TCustomClientDataSet {
 public:
  using TCustomClientDataSet::TCustomClientDataSet;
};
