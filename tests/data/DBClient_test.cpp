// The client result set over a provider and an in-memory source: opening and closing, field
// binding, navigation, bookmarks, locate, notices and the change log.

#include "data/DBClient.h"

#include <gtest/gtest.h>

#include <new>

#include "tests/data/DBClientFixture.h"
#include "tests/data/support/ErrorOf.h"
#include "tests/data/support/PersistentField.h"

using namespace dbclienttest;

namespace {

// The report window's chain, counting the provider's requests for records.
struct Report : ProviderChain {
  int getRecordsCalls = 0;

  Report()
      : ProviderChain("QRepcliente", "PRepcliente", "CRepcliente",
                      {{"01", "A", "5", "12500.00"},
                       {"02", "ab", std::nullopt, "-3.10"},
                       {"03", "a", "-7", std::nullopt},
                       {"04", "B\xe9", "0", "0.50"}}) {
    provider.BeforeGetRecords = [this](TDataSetProvider&, TVariant&) { ++getRecordsCalls; };
  }
};

std::vector<std::string> Column(TDataSet& data, const char* name) {
  std::vector<std::string> values;
  data.First();
  while (!data.Eof()) {
    TField& field = data.FieldByName(name);
    values.push_back(field.IsNull() ? "<null>" : field.AsString());
    data.Next();
  }
  return values;
}

}  // namespace

TEST(DBClient, OpenLoadsEveryRowAndTheSourceIsClosedAgain) {
  Report r;
  r.client.SetCommandText(" select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31')");
  r.client.Open();
  EXPECT_EQ(r.source.commandText, " select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31')");
  EXPECT_FALSE(r.source.Active());
  EXPECT_EQ(r.getRecordsCalls, 1);
  EXPECT_EQ(r.client.RecordCount(), 4);
  EXPECT_TRUE(r.client.Bof());
  EXPECT_FALSE(r.client.Eof());
  EXPECT_EQ(r.client.RecNo(), 1);
  ASSERT_EQ(r.client.Fields().Count(), 4);
  EXPECT_EQ(r.client.FieldByName("codbod").AsString(), "01");
  EXPECT_EQ(r.client.FieldByName("VALOR").DataType(), ftFMTBcd);
  EXPECT_EQ(r.client.FieldByName("VALOR").Size(), 2);
  EXPECT_EQ(r.client.FieldByName("VALOR").DisplayText(), "12500");
  EXPECT_EQ(r.client.FieldByName("NOMBRE").Size(), 40);
  EXPECT_EQ(Column(r.client, "VALOR"),
            (std::vector<std::string>{"12500", "-3.1", "<null>", "0.5"}));
  EXPECT_EQ(Column(r.client, "NOMBRE"), (std::vector<std::string>{"A", "ab", "a", "B\xe9"}));
  EXPECT_TRUE(r.client.Eof());
  EXPECT_EQ(r.client.RecNo(), 4);
  r.client.Prior();
  EXPECT_EQ(r.client.RecNo(), 3);
  r.client.SetRecNo(2);
  EXPECT_EQ(r.client.FieldByName("CODBOD").AsString(), "02");
  EXPECT_EQ(ErrorOf([&] { r.client.FieldByName("NOPE"); }), "CRepcliente: Field 'NOPE' not found");
  EXPECT_EQ(r.client.FindField("NOPE"), nullptr);

  // Closing sends exactly one reset request; the source stays closed.
  r.client.Close();
  EXPECT_EQ(r.getRecordsCalls, 2);
  EXPECT_FALSE(r.source.Active());
  EXPECT_TRUE(r.client.Eof());
  EXPECT_TRUE(r.client.Bof());
  EXPECT_TRUE(r.client.IsEmpty());
  EXPECT_EQ(r.client.Fields().Count(), 0);
  EXPECT_EQ(r.client.ChangeCount(), 0);
}

TEST(DBClient, AnEmptyResultGivesAnOpenEmptyResultSet) {
  Report r;
  r.source.rows.clear();
  r.client.Open();
  EXPECT_TRUE(r.client.Active());
  EXPECT_TRUE(r.client.IsEmpty());
  EXPECT_TRUE(r.client.Eof());
  EXPECT_TRUE(r.client.Bof());
  EXPECT_EQ(r.client.RecordCount(), 0);
  EXPECT_TRUE(r.client.GetBookmark().empty());
  EXPECT_TRUE(r.client.FieldByName("CODBOD").IsNull());
}

TEST(DBClient, ProviderLookupFailuresAndProviderErrors) {
  struct Case {
    const char* what;
    std::function<void(Report&)> setUp;
    std::string message;
  } cases[] = {
      {"no such component", [](Report& r) { r.client.SetProviderName("PNada"); },
       "CRepcliente: Missing data provider or data packet"},
      {"no provider name", [](Report& r) { r.client.SetProviderName(""); },
       "CRepcliente: Missing data provider or data packet"},
      {"no owner", [](Report& r) { r.client.SetOwner(nullptr); },
       "CRepcliente: Missing data provider or data packet"},
      {"circular", [](Report& r) { r.provider.SetDataSet(&r.client); },
       "CRepcliente: Circular provider references not allowed"},
      {"source fails to open",
       [](Report& r) { r.source.failOnOpen = "Unable to complete network request"; },
       "Unable to complete network request"},
      {"command text refused",
       [](Report& r) {
         r.provider.SetOptions(0);
         r.client.SetCommandText("select 1 from rdb$database");
       },
       "CommandText changes are not allowed"},
      {"no source", [](Report& r) { r.provider.SetDataSet(nullptr); }, "Missing DataSet property"},
      {"field name too long", [](Report& r) { r.source.columns[0].name = std::string(32, 'X'); },
       "Field name cannot be longer then 31 characters.  Try setting ObjectView to True on the "
       "dataset"},
  };
  for (const Case& c : cases) {
    Report r;
    c.setUp(r);
    EXPECT_EQ(ErrorOf([&] { r.client.Open(); }), c.message) << c.what;
    EXPECT_FALSE(r.client.Active()) << c.what;
    EXPECT_FALSE(r.source.Active()) << c.what;
  }
  // Provider-side failures arrive as OLE errors carrying the provider's message.
  Report r;
  r.source.failOnOpen = "boom";
  try {
    r.client.Open();
    FAIL();
  } catch (const EOleException& e) {
    EXPECT_EQ(e.Message(), "boom");
    EXPECT_EQ(e.ErrorCode(), E_UNEXPECTED_RESULT);
  }
  // After the failure the same client opens normally.
  r.source.failOnOpen.clear();
  r.client.Open();
  EXPECT_EQ(r.client.RecordCount(), 4);
}

TEST(DBClient, RunningOutOfMemoryInTheProviderIsOutOfMemoryForTheCaller) {
  // Not a provider error carrying the words "Out of memory": the caller says what it was doing.
  Report r;
  r.provider.BeforeGetRecords = [](TDataSetProvider&, TVariant&) { throw std::bad_alloc(); };
  EXPECT_THROW(r.client.Open(), std::bad_alloc);
  EXPECT_FALSE(r.client.Active());
  r.provider.BeforeGetRecords = nullptr;
  r.client.Open();
  EXPECT_EQ(r.client.RecordCount(), 4);
}

TEST(DBClient, PersistentFieldsBindByNameWithTheirRules) {
  struct Case {
    const char* what;
    std::function<std::unique_ptr<TField>()> make;
    std::string message;  // empty: binds
  } cases[] = {
      {"missing field named by its label",
       [] { return NamedField<TStringField>("CODIGO", "Bodega", 10); },
       "CRepcliente: Field 'Bodega' not found"},
      {"FMTBcd field on a BCD column",
       [] { return NamedField<TFMTBCDField>("VALOR4", "Valor", 15, 2); },
       "CRepcliente: Type mismatch for field 'Valor', expecting: FMTBcd actual: BCD"},
      {"BCD size differs", [] { return NamedField<TFMTBCDField>("VALOR4", "", 9, 4, ftBCD); },
       "CRepcliente: Size mismatch for field 'VALOR4', expecting: 4 actual: 2"},
      {"integer field on a text column", [] { return NamedField<TIntegerField>("CODBOD", ""); },
       "CRepcliente: Type mismatch for field 'CODBOD', expecting: Integer actual: String"},
  };
  for (const Case& c : cases) {
    Report r;
    r.source.columns.push_back({"VALOR4", ftBCD, 2, 9});
    for (auto& row : r.source.rows) row.push_back("1.25");
    std::unique_ptr<TField> field = c.make();
    field->SetDataSet(&r.client);
    EXPECT_EQ(ErrorOf([&] { r.client.Open(); }), c.message) << c.what;
    EXPECT_FALSE(r.client.Active());
    field->SetDataSet(nullptr);
  }
  // A text field of 60 on a column of 40 shrinks to 40 (unless it is read-only).
  Report r;
  TStringField name(60), readOnlyName(60);
  name.SetFieldName("NOMBRE");
  readOnlyName.SetFieldName("CODBOD");
  readOnlyName.SetReadOnly(true);
  name.SetDataSet(&r.client);
  readOnlyName.SetDataSet(&r.client);
  r.client.Open();
  EXPECT_EQ(name.Size(), 40);
  EXPECT_EQ(readOnlyName.Size(), 60);
  EXPECT_EQ(r.client.Fields().Count(), 2);  // persistent fields only
  r.client.Last();
  EXPECT_EQ(name.AsString(), "B\xe9");
  r.client.Close();
  name.SetDataSet(nullptr);
  readOnlyName.SetDataSet(nullptr);
}

TEST(DBClient, LocateWithPartialAndCaseInsensitiveOptions) {
  Report r;
  r.client.Open();
  struct Case {
    std::string fields;
    std::vector<TVariant> values;
    TLocateOptions options;
    std::string found;  // CODBOD of the row found, "" when none
  } cases[] = {
      {"NOMBRE", {std::string("A")}, loPartialKey | loCaseInsensitive, "01"},
      {"NOMBRE", {std::string("ab")}, loPartialKey | loCaseInsensitive, "02"},
      {"NOMBRE", {std::string("a")}, 0, "03"},
      {"NOMBRE", {std::string("A")}, loCaseInsensitive, "01"},
      {"NOMBRE", {std::string("AB")}, 0, ""},
      {"NOMBRE", {std::string("b")}, loPartialKey, ""},
      {"NOMBRE", {std::string("B\xc9")}, loCaseInsensitive, "04"},
      {"CANT", {TVarNull{}}, 0, "02"},
      {"CANT", {int64_t{-7}}, 0, "03"},
      {"VALOR", {std::string("12500")}, 0, "01"},
      {"VALOR", {-3.1}, 0, "02"},
      {"CODBOD;CANT", {std::string("04"), int64_t{0}}, 0, "04"},
      {"CODBOD;CANT", {std::string("04"), int64_t{1}}, 0, ""},
  };
  for (const Case& c : cases) {
    r.client.SetRecNo(2);
    int before = 0, after = 0;
    r.client.BeforeScroll = [&](TDataSet&) { ++before; };
    r.client.AfterScroll = [&](TDataSet&) { ++after; };
    const bool found = r.client.Locate(c.fields, c.values, c.options);
    r.client.BeforeScroll = nullptr;
    r.client.AfterScroll = nullptr;
    EXPECT_EQ(found, !c.found.empty()) << c.fields;
    EXPECT_EQ(before, 1) << c.fields;
    EXPECT_EQ(after, found ? 1 : 0) << c.fields;
    EXPECT_EQ(r.client.FieldByName("CODBOD").AsString(), found ? c.found : "02") << c.fields;
  }
  EXPECT_EQ(ErrorOf([&] { r.client.Locate("NADA", {int64_t{1}}, 0); }),
            "CRepcliente: Field 'NADA' not found");
}

TEST(DBClient, BookmarksCompareAndReturn) {
  Report r;
  r.client.Open();
  const TBookmark first = r.client.GetBookmark();
  r.client.SetRecNo(3);
  const TBookmark third = r.client.GetBookmark();
  EXPECT_EQ(r.client.CompareBookmarks(first, third), -1);
  EXPECT_EQ(r.client.CompareBookmarks(third, first), 1);
  EXPECT_EQ(r.client.CompareBookmarks(third, third), 0);
  EXPECT_EQ(r.client.CompareBookmarks(first, TBookmark()), -1);
  EXPECT_EQ(r.client.CompareBookmarks(TBookmark(), first), 1);
  EXPECT_EQ(r.client.CompareBookmarks(TBookmark(), TBookmark()), 0);
  r.client.GotoBookmark(first);
  EXPECT_EQ(r.client.RecNo(), 1);
  EXPECT_TRUE(r.client.BookmarkValid(third));
  EXPECT_EQ(r.client.RecNo(), 1);  // checking does not move the current row
  r.client.Next();
  EXPECT_EQ(r.client.RecNo(), 2);
  r.client.GotoBookmark(third);
  r.client.Delete();
  EXPECT_FALSE(r.client.BookmarkValid(third));
  EXPECT_EQ(r.client.FieldByName("CODBOD").AsString(), "04");
  r.client.GotoBookmark(third);  // a missing row does nothing
  EXPECT_EQ(r.client.FieldByName("CODBOD").AsString(), "04");
}

TEST(DBClient, NestedDisableControlsSendOneNoticeAtTheEnd) {
  Report r;
  TDataSource source(&r.client);
  CountingLink link;
  link.SetBufferCount(2);
  link.SetDataSource(&source);
  r.client.Open();
  link.dataSetChanged = link.scrolled = 0;
  r.client.DisableControls();
  r.client.DisableControls();
  r.client.Next();
  r.client.Next();
  r.client.Locate("CODBOD", {std::string("04")}, 0);
  r.client.EnableControls();
  EXPECT_EQ(link.dataSetChanged + link.scrolled, 0);
  r.client.EnableControls();
  EXPECT_EQ(link.dataSetChanged, 1);
  EXPECT_EQ(link.scrolled, 0);
  r.client.EnableControls();  // unpaired: nothing
  EXPECT_EQ(link.dataSetChanged, 1);
  r.client.Close();
}

TEST(DBClient, EditsGoToTheChangeLogAndCanBeUndone) {
  Report r;
  r.client.Open();
  TField& name = r.client.FieldByName("NOMBRE");
  TField& value = r.client.FieldByName("VALOR");
  EXPECT_EQ(ErrorOf([&] { name.SetAsString("x"); }),
            "CRepcliente: Dataset not in edit or insert mode");
  r.client.Edit();
  name.SetAsString("changed");
  value.SetText("7.5");
  r.client.Post();
  EXPECT_EQ(r.client.UpdateStatus(), usModified);
  EXPECT_EQ(r.client.ChangeCount(), 1);
  EXPECT_EQ(value.DisplayText(), "7.5");
  // Cancel restores the row being edited.
  r.client.Next();
  r.client.Edit();
  name.SetAsString("gone");
  r.client.Cancel();
  EXPECT_EQ(name.AsString(), "ab");
  // Insert goes before the current row, append at the end; delete removes.
  r.client.Insert();
  r.client.FieldByName("CODBOD").SetAsString("1b");
  r.client.Post();
  EXPECT_EQ(r.client.RecNo(), 2);
  EXPECT_EQ(r.client.UpdateStatus(), usInserted);
  r.client.Append();
  r.client.FieldByName("CODBOD").SetAsString("99");
  r.client.Post();
  r.client.First();
  r.client.Delete();
  EXPECT_EQ(Column(r.client, "CODBOD"), (std::vector<std::string>{"1b", "02", "03", "04", "99"}));
  EXPECT_EQ(r.client.ChangeCount(), 3);  // the edited row was deleted: insert, append, delete
  ASSERT_TRUE(r.client.Delta().has_value());

  r.client.CancelUpdates();
  EXPECT_EQ(r.client.ChangeCount(), 0);
  EXPECT_EQ(Column(r.client, "NOMBRE"), (std::vector<std::string>{"A", "ab", "a", "B\xe9"}));
  EXPECT_EQ(Column(r.client, "VALOR"),
            (std::vector<std::string>{"12500", "-3.1", "<null>", "0.5"}));

  // Merging makes the changes base data.
  r.client.First();
  r.client.Edit();
  name.SetAsString("kept");
  r.client.Post();
  r.client.MergeChangeLog();
  EXPECT_EQ(r.client.ChangeCount(), 0);
  EXPECT_EQ(r.client.UpdateStatus(), usUnmodified);
  r.client.CancelUpdates();
  r.client.First();
  EXPECT_EQ(name.AsString(), "kept");

  // Closing without applying discards the changes.
  r.client.Edit();
  name.SetAsString("lost");
  r.client.Post();
  r.client.Close();
  r.client.Open();
  EXPECT_EQ(r.client.ChangeCount(), 0);
  EXPECT_EQ(r.client.FieldByName("NOMBRE").AsString(), "A");
}

TEST(DBClient, PacketOptionsAndApplyUpdates) {
  {
    Report r;
    r.provider.SetOptions(poAllowCommandText | poDisableEdits | poDisableDeletes);
    r.client.Open();
    EXPECT_EQ(ErrorOf([&] { r.client.Edit(); }), "CRepcliente: Modifications are not allowed");
    EXPECT_EQ(ErrorOf([&] { r.client.Delete(); }), "CRepcliente: Deletes are not allowed");
    EXPECT_EQ(r.client.State(), dsBrowse);
  }
  {
    Report r;
    r.provider.SetOptions(poAllowCommandText | poNoReset);
    r.client.Open();
    r.client.Close();
    EXPECT_EQ(r.getRecordsCalls, 1);  // no reset request
  }
  {
    Report r;
    r.client.SetReadOnly(true);
    r.client.Open();
    EXPECT_EQ(ErrorOf([&] { r.client.Edit(); }), "CRepcliente: Cannot modify a read-only dataset");
  }
  Report r;
  r.client.Open();
  EXPECT_EQ(r.client.ApplyUpdates(0), 0);  // nothing to send
  EXPECT_EQ(r.getRecordsCalls, 1);
  r.client.Edit();
  r.client.FieldByName("NOMBRE").SetAsString("x");
  r.client.Post();
  EXPECT_EQ(r.client.ApplyUpdates(0), 0);
  EXPECT_EQ(r.source.statements.size(), 1u);
  EXPECT_EQ(r.client.ChangeCount(), 0);
}

TEST(DBClient, CommandTextRebuildsParams) {
  TClientDataSet client("C");
  client.SetCommandText("select * from T where A = :A and B = :B");
  ASSERT_EQ(client.Params().Count(), 2);
  client.Params()[0].Value = int64_t{5};
  client.SetCommandText("select * from T where A = :A");
  ASSERT_EQ(client.Params().Count(), 1);
  EXPECT_EQ(client.Params()[0].AsString(), "5");
  client.SetCommandText("");
  EXPECT_EQ(client.Params().Count(), 0);
}
