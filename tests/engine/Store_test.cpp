// The record store engine through its loaded library: packets in, rows, cursors, locate and
// the change log out.

#include <gtest/gtest.h>

#include <cstring>

#include "tests/engine/support/Engine.h"

using namespace enginetest;

namespace {

const uint32_t kText = DSTypeWord(DSFLD_ZSTRING, DSTYPE_VARYING | 1);
const uint32_t kInt = DSTypeWord(DSFLD_INT, 4);
const uint32_t kFmtBcd = DSTypeWord(DSFLD_FMTBCD, DSBcdSize(15));

// CODBOD text(10), NAME text(40), QTY integer, VALUE NUMERIC(15,2)
std::vector<ColumnSpec> Columns() {
  return {{"CODBOD", kText, 10}, {"NAME", kText, 40}, {"QTY", kInt}, {"VALUE", kFmtBcd, 15, 2}};
}

std::vector<uint8_t> SamplePacket() {
  return BuildPacket(Columns(), {{Text("01"), Text("A"), Int32(5), Bcd("12500", 15, 2)},
                                 {Text("02"), Text("ab"), Null(), Bcd("-3.1", 15, 2)},
                                 {Text("03"), Text("a"), Int32(-7), Null()},
                                 {Text("04"), Null(), Int32(0), Bcd("0.5", 15, 2)}});
}

uint32_t SeqNo(IDSCursor* cursor) {
  uint32_t seq = 0;
  cursor->CurSeqNo(&seq);
  return seq;
}

uint32_t Bookmark(IDSCursor* cursor) {
  uint32_t bookmark = 0;
  EXPECT_EQ(cursor->CurBookmark(&bookmark), DBERR_NONE);
  return bookmark;
}

uint32_t Changes(IDSBase* store) {
  uint32_t count = 0;
  EXPECT_EQ(store->DsGetProp(dspropNOOFCHANGES, &count), DBERR_NONE);
  return count;
}

// Sets text field `fieldNo` of the current row and posts the change.
void ModifyText(Opened& o, uint32_t fieldNo, const char* text) {
  std::vector<uint8_t> record(o.recordSize);
  ASSERT_EQ(o.cursor->CurRecord(record.data()), DBERR_NONE);
  ASSERT_EQ(o.cursor->CurPutField(record.data(), fieldNo, text), DBERR_NONE);
  ASSERT_EQ(o.cursor->CurModify(record.data()), DBERR_NONE);
}

std::vector<std::string> Column(Opened& o, uint32_t fieldNo) {
  std::vector<std::string> out;
  o.cursor->CurFirst();
  while (o.cursor->CurMove(1) == DBERR_NONE) out.push_back(FieldText(o, fieldNo));
  return out;
}

}  // namespace

TEST(EngineStore, PacketRoundTripKeepsStructureAttributesAndValues) {
  Opened o;
  Open(SamplePacket(), o);
  ASSERT_EQ(o.fields.size(), 4u);
  EXPECT_STREQ(o.fields[0].szName, "CODBOD");
  EXPECT_EQ(o.fields[0].iFldType, DSFLD_ZSTRING);
  EXPECT_EQ(o.fields[1].iUnits1, 40);
  EXPECT_EQ(o.fields[3].iFldType, DSFLD_FMTBCD);
  EXPECT_EQ(o.fields[3].iUnits1, 15);
  EXPECT_EQ(o.fields[3].iUnits2, 2);
  EXPECT_EQ(o.fields[3].iFldLen, 10u);

  uint32_t type = 0, length = 0;
  const void* value = nullptr;
  ASSERT_EQ(o.store->DsOptParam(0, 0, "LCID", &type, &length, &value), DBERR_NONE);
  EXPECT_EQ(type, DSATTR_TYPE_INT);
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(o.store->DsOptParam(0, 0, "DISABLE_EDITS", &type, &length, &value), DBERR_NOTFOUND);

  EXPECT_EQ(Column(o, 2), (std::vector<std::string>{"A", "ab", "a", "<null>"}));
  // Integer and BCD slots hold the native bytes; nulls are flagged.
  std::vector<uint8_t> record(o.recordSize);
  ASSERT_EQ(o.cursor->CurGotoSeqNo(2), DBERR_NONE);
  ASSERT_EQ(o.cursor->CurRecord(record.data()), DBERR_NONE);
  int32_t isNull = 0;
  uint8_t bcd[34] = {};
  EXPECT_EQ(o.cursor->CurGetField(record.data(), 3, bcd, &isNull), DBERR_NONE);
  EXPECT_EQ(isNull, 1);
  EXPECT_EQ(o.cursor->CurGetField(record.data(), 4, bcd, &isNull), DBERR_NONE);
  EXPECT_EQ(isNull, 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bcd), 10), Bcd("-3.1", 15, 2).bytes);

  // The store streams back the same packet it was given.
  const uint8_t* streamed = nullptr;
  ASSERT_EQ(o.store->DsStream(&streamed, &length), DBERR_NONE);
  EXPECT_EQ(std::vector<uint8_t>(streamed, streamed + length), SamplePacket());
}

TEST(EngineStore, MovesReportCracksAndSequenceNumbers) {
  Opened o;
  Open(SamplePacket(), o);
  uint32_t count = 0;
  EXPECT_EQ(o.cursor->CurCount(&count), DBERR_NONE);
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(o.cursor->CurRecord(nullptr), DBERR_BOF);
  EXPECT_EQ(o.cursor->CurMove(-1), DBERR_BOF);
  EXPECT_EQ(o.cursor->CurMove(1), DBERR_NONE);
  EXPECT_EQ(SeqNo(o.cursor.get()), 1u);
  EXPECT_EQ(o.cursor->CurMove(3), DBERR_NONE);
  EXPECT_EQ(SeqNo(o.cursor.get()), 4u);
  EXPECT_EQ(o.cursor->CurMove(1), DBERR_EOF);
  EXPECT_EQ(o.cursor->CurRecord(nullptr), DBERR_EOF);
  EXPECT_EQ(o.cursor->CurMove(-1), DBERR_NONE);
  EXPECT_EQ(SeqNo(o.cursor.get()), 4u);
  EXPECT_EQ(o.cursor->CurLast(), DBERR_NONE);
  EXPECT_EQ(o.cursor->CurMove(-4), DBERR_NONE);
  EXPECT_EQ(SeqNo(o.cursor.get()), 1u);
  EXPECT_EQ(o.cursor->CurGotoSeqNo(5), DBERR_INVALIDSEQNO);
  EXPECT_EQ(SeqNo(o.cursor.get()), 1u);
}

TEST(EngineStore, BookmarksStayWithTheirRowAcrossInsertsAndDeletes) {
  Opened o;
  Open(SamplePacket(), o);
  o.cursor->CurGotoSeqNo(3);
  const uint32_t third = Bookmark(o.cursor.get());
  o.cursor->CurGotoSeqNo(1);
  const uint32_t first = Bookmark(o.cursor.get());
  int32_t result = 0;
  EXPECT_EQ(o.cursor->CurCompare(&first, &third, &result), DBERR_NONE);
  EXPECT_EQ(result, DSCMP_LESS);
  EXPECT_EQ(o.cursor->CurCompare(&third, &first, &result), DBERR_NONE);
  EXPECT_EQ(result, DSCMP_GREATER);
  EXPECT_EQ(o.cursor->CurCompare(&third, &third, &result), DBERR_NONE);
  EXPECT_EQ(result, DSCMP_EQUAL);

  // Insert before row 1 and delete row 2: the third row is now at sequence number 3 still.
  std::vector<uint8_t> record(o.recordSize);
  o.cursor->CurInitRecord(record.data());
  o.cursor->CurPutField(record.data(), 1, "00");
  ASSERT_EQ(o.cursor->CurInsert(record.data()), DBERR_NONE);
  EXPECT_EQ(SeqNo(o.cursor.get()), 1u);
  o.cursor->CurGotoSeqNo(3);
  ASSERT_EQ(o.cursor->CurDelete(), DBERR_NONE);
  EXPECT_EQ(FieldText(o, 1), "03");  // the next row takes the deleted row's place
  ASSERT_EQ(o.cursor->CurGotoBookmark(&third), DBERR_NONE);
  EXPECT_EQ(SeqNo(o.cursor.get()), 3u);
  EXPECT_EQ(FieldText(o, 1), "03");
  const uint32_t deleted = 1;  // the id of the second packet row
  EXPECT_EQ(o.cursor->CurGotoBookmark(&deleted), DBERR_INVALIDBOOKMARK);
  EXPECT_EQ(Column(o, 1), (std::vector<std::string>{"00", "01", "03", "04"}));
}

TEST(EngineStore, LocateMatchesTheFilterForms) {
  Opened o;
  Open(SamplePacket(), o);
  struct Case {
    uint32_t options;
    uint32_t field;
    uint32_t kind;
    std::string value;
    std::string found;  // CODBOD of the first match, "" for none
  } cases[] = {
      {0, 2, DSTERM_TEXT, "A", "01"},
      {0, 2, DSTERM_TEXT, "a", "03"},
      {DSFILTER_CASEINSENSITIVE, 2, DSTERM_TEXT, "a", "01"},
      {DSFILTER_CASEINSENSITIVE | DSFILTER_PARTIAL, 2, DSTERM_TEXT, "AB*", "02"},
      {DSFILTER_PARTIAL, 2, DSTERM_TEXT, "A*", "01"},
      {DSFILTER_PARTIAL, 2, DSTERM_TEXT, "b*", ""},
      {0, 2, DSTERM_TEXT, "A*", ""},  // without the partial option "*" is a plain character
      {0, 2, DSTERM_ISNULL, "", "04"},
      {0, 3, DSTERM_NUMBER, "-7", "03"},
      {0, 3, DSTERM_NUMBER, "0", "04"},
      {0, 4, DSTERM_NUMBER, "12500.00", "01"},
      {0, 4, DSTERM_NUMBER, "-3.10", "02"},
      {0, 4, DSTERM_NUMBER, ".5", "04"},
      {0, 4, DSTERM_NUMBER, "3.1", ""},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> filter;
    auto put = [&filter](uint32_t v) {
      for (int i = 0; i < 4; ++i) filter.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put(DSFILTER_MAGIC);
    put(c.options);
    put(1);
    put(c.field);
    put(c.kind);
    put(static_cast<uint32_t>(c.value.size()));
    filter.insert(filter.end(), c.value.begin(), c.value.end());
    o.cursor->CurGotoSeqNo(2);
    o.cursor->CurFirst();
    const DBResult status =
        o.cursor->CurLocate(filter.data(), static_cast<uint32_t>(filter.size()));
    if (c.found.empty()) {
      EXPECT_EQ(status, DBERR_RECNOTFOUND) << c.value;
    } else {
      EXPECT_EQ(status, DBERR_NONE) << c.value;
      EXPECT_EQ(FieldText(o, 1), c.found) << c.value;
    }
  }
  const uint8_t garbage[12] = {1, 2, 3};
  EXPECT_EQ(o.cursor->CurLocate(garbage, sizeof garbage), DBERR_FILTER);
}

TEST(EngineStore, ChangeLogRecordsRollsBackAndAccepts) {
  Opened o;
  Open(SamplePacket(), o);
  EXPECT_EQ(Changes(o.store.get()), 0u);
  o.cursor->CurGotoSeqNo(1);
  ModifyText(o, 2, "changed");
  ModifyText(o, 2, "twice");  // the same row again: still one change
  uint32_t attr = 0;
  o.cursor->CurAttr(&attr);
  EXPECT_EQ(attr, DSREC_MODIFIED);
  o.cursor->CurGotoSeqNo(4);
  ASSERT_EQ(o.cursor->CurDelete(), DBERR_NONE);
  EXPECT_EQ(Changes(o.store.get()), 2u);

  // The delta: the unchanged row followed by a row of only the changed values, then the
  // deleted row.
  Ref<IDSBase> delta;
  ASSERT_EQ(o.store->DsDelta(delta.out()), DBERR_NONE);
  Ref<IDSCursor> dc(NewCursor());
  ASSERT_EQ(dc->CurInit(delta.get()), DBERR_NONE);
  std::vector<uint8_t> record(o.recordSize);
  std::vector<char> value(64);
  int32_t isNull = 0;
  uint32_t count = 0;
  dc->CurCount(&count);
  ASSERT_EQ(count, 3u);
  const uint32_t expectedAttrs[] = {DSREC_ORIGINAL, DSREC_MODIFIED, DSREC_DELETED};
  for (uint32_t i = 0; i < 3; ++i) {
    ASSERT_EQ(dc->CurMove(1), DBERR_NONE);
    dc->CurAttr(&attr);
    EXPECT_EQ(attr, expectedAttrs[i]);
  }
  dc->CurGotoSeqNo(2);
  dc->CurRecord(record.data());
  dc->CurGetField(record.data(), 2, value.data(), &isNull);
  EXPECT_EQ(isNull, 0);
  EXPECT_STREQ(value.data(), "twice");
  dc->CurGetField(record.data(), 1, value.data(), &isNull);
  EXPECT_EQ(isNull, 2);  // unchanged
  dc->CurGotoSeqNo(1);
  dc->CurRecord(record.data());
  dc->CurGetField(record.data(), 2, value.data(), &isNull);
  EXPECT_STREQ(value.data(), "A");
  // The delta streams and reloads as a change packet.
  const uint8_t* packet = nullptr;
  uint32_t length = 0;
  ASSERT_EQ(delta->DsStream(&packet, &length), DBERR_NONE);
  Ref<IDSBase> reloaded(NewStore());
  EXPECT_EQ(reloaded->DsAppendPacket(packet, length, 1), DBERR_NONE);

  // Roll back to the first change (the second edit and the delete undone), then everything.
  ASSERT_EQ(o.store->DsRollBack(1), DBERR_NONE);
  EXPECT_EQ(Column(o, 2), (std::vector<std::string>{"changed", "ab", "a", "<null>"}));
  EXPECT_EQ(Changes(o.store.get()), 1u);
  ASSERT_EQ(o.store->DsRollBack(0), DBERR_NONE);
  EXPECT_EQ(Changes(o.store.get()), 0u);
  EXPECT_EQ(Column(o, 2), (std::vector<std::string>{"A", "ab", "a", "<null>"}));

  // Accepting makes the changes base data.
  o.cursor->CurGotoSeqNo(2);
  ModifyText(o, 1, "XX");
  o.cursor->CurFirst();
  o.cursor->CurMove(1);
  o.cursor->CurInitRecord(record.data());
  ASSERT_EQ(o.cursor->CurInsert(record.data()), DBERR_NONE);
  EXPECT_EQ(Changes(o.store.get()), 2u);
  ASSERT_EQ(o.store->DsAcceptChanges(), DBERR_NONE);
  EXPECT_EQ(Changes(o.store.get()), 0u);
  o.store->DsRollBack(0);
  EXPECT_EQ(Column(o, 1), (std::vector<std::string>{"<null>", "01", "XX", "03", "04"}));
  o.cursor->CurGotoSeqNo(3);
  o.cursor->CurAttr(&attr);
  EXPECT_EQ(attr, 0u);
}

TEST(EngineStore, ModifiedRowKeepsTheBytesOfTextsThatDidNotChange) {
  // Row 1: CODBOD "SA " and NAME "Granja  " hold trailing blanks as loaded.
  Opened o;
  Open(BuildPacket(Columns(), {{Text("SA "), Text("Granja  "), Int32(5), Null()}}), o);
  struct Case {
    uint32_t fieldNo;
    const char* typed;
    const char* codbod;  // what the row holds afterwards
    const char* name;
  } cases[] = {
      {3, nullptr, "SA ", "Granja  "},        // another column changed: texts untouched
      {1, "SA ", "SA ", "Granja  "},          // the same text again
      {1, "SA", "SA ", "Granja  "},           // the same up to trailing blanks
      {2, "Granja", "SA ", "Granja  "},
      {1, "SB ", "SB", "Granja  "},           // a real change is stored trimmed
      {1, "SB  ", "SB", "Granja  "},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> record(o.recordSize);
    ASSERT_EQ(o.cursor->CurGotoSeqNo(1), DBERR_NONE);
    ASSERT_EQ(o.cursor->CurRecord(record.data()), DBERR_NONE);
    const int32_t qty = 6;
    ASSERT_EQ(o.cursor->CurPutField(record.data(), c.fieldNo,
                                    c.typed != nullptr ? static_cast<const void*>(c.typed) : &qty),
              DBERR_NONE);
    ASSERT_EQ(o.cursor->CurModify(record.data()), DBERR_NONE);
    EXPECT_EQ(Column(o, 1), std::vector<std::string>{c.codbod}) << c.fieldNo << c.typed;
    EXPECT_EQ(Column(o, 2), std::vector<std::string>{c.name}) << c.fieldNo << c.typed;
  }

  // Retyping the loaded values leaves nothing changed in the delta: no statement follows.
  Opened same;
  Open(BuildPacket(Columns(), {{Text("SA "), Text("Granja  "), Int32(5), Null()}}), same);
  ASSERT_EQ(same.cursor->CurGotoSeqNo(1), DBERR_NONE);
  ModifyText(same, 1, "SA");
  ModifyText(same, 2, "Granja ");
  Ref<IDSBase> delta;
  ASSERT_EQ(same.store->DsDelta(delta.out()), DBERR_NONE);
  Ref<IDSCursor> dc(NewCursor());
  ASSERT_EQ(dc->CurInit(delta.get()), DBERR_NONE);
  ASSERT_EQ(dc->CurGotoSeqNo(2), DBERR_NONE);
  std::vector<uint8_t> record(same.recordSize);
  ASSERT_EQ(dc->CurRecord(record.data()), DBERR_NONE);
  for (uint32_t fieldNo = 1; fieldNo <= 4; ++fieldNo) {
    std::vector<char> value(64);
    int32_t isNull = 0;
    dc->CurGetField(record.data(), fieldNo, value.data(), &isNull);
    EXPECT_EQ(isNull, 2) << fieldNo;  // unchanged
  }
}

TEST(EngineStore, ReadOnlyStoreRefusesEditsAndBadValuesAreRefused) {
  Opened o;
  Open(SamplePacket(), o);
  std::vector<uint8_t> record(o.recordSize);
  o.cursor->CurGotoSeqNo(1);
  o.cursor->CurRecord(record.data());
  // A BCD value with more digits than the column holds.
  uint8_t wide[34] = {20, 2};
  EXPECT_EQ(o.cursor->CurPutField(record.data(), 4, wide), DBERR_INVALIDVALUE);
  EXPECT_EQ(o.cursor->CurPutField(record.data(), 9, nullptr), DBERR_INVALIDFIELDNO);
  // Text longer than the column is cut to its width.
  const std::string longText(100, 'x');
  EXPECT_EQ(o.cursor->CurPutField(record.data(), 1, longText.c_str()), DBERR_NONE);
  ASSERT_EQ(o.cursor->CurModify(record.data()), DBERR_NONE);
  EXPECT_EQ(FieldText(o, 1), std::string(10, 'x'));
  ASSERT_EQ(o.store->DsSetProp(dspropREADONLY, 1), DBERR_NONE);
  EXPECT_EQ(o.cursor->CurModify(record.data()), DBERR_READONLY);
  EXPECT_EQ(o.cursor->CurDelete(), DBERR_READONLY);
  char text[2049];
  ASSERT_EQ(o.store->DsErrorText(DBERR_READONLY, text), DBERR_NONE);
  EXPECT_STREQ(text, "Trying to modify read-only field or data set");
}

TEST(EngineStore, WriterRefusesOutOfOrderCallsAndBadDescriptors) {
  Ref<IDSWriter> writer(NewWriter());
  uint8_t status = 0;
  EXPECT_EQ(writer->WrValue(0, 1, &status), DBERR_WRITERSTATE);
  ASSERT_EQ(writer->WrInit(1, 2), DBERR_NONE);
  DSColumnDesc desc = {};
  EXPECT_EQ(writer->WrColumn(&desc), DBERR_INVALIDPARAM);  // empty name
  std::strcpy(desc.szName, "A");
  desc.iType = DSTypeWord(DSFLD_INT, 3);
  EXPECT_EQ(writer->WrColumn(&desc), DBERR_INVALIDVALUE);
  desc.iType = DSTypeWord(DSFLD_ADT, 0x1000000 | 2);
  EXPECT_EQ(writer->WrColumn(&desc), DBERR_NOTSUPPORTED);
  desc.iType = kInt;
  ASSERT_EQ(writer->WrColumn(&desc), DBERR_NONE);
  EXPECT_EQ(writer->WrValue(0, 1, &status), DBERR_WRITERSTATE);  // a column is missing
  ASSERT_EQ(writer->WrColumn(&desc), DBERR_NONE);
  ASSERT_EQ(writer->WrValue(0, 1, &status), DBERR_NONE);
  int64_t wrongSize = 1;
  EXPECT_EQ(writer->WrValue(0, 8, &wrongSize), DBERR_INVALIDVALUE);
  const uint8_t* packet = nullptr;
  uint32_t length = 0;
  EXPECT_EQ(writer->WrPacket(&packet, &length), DBERR_WRITERSTATE);  // in the middle of a row
  EXPECT_EQ(writer->WrXmlMode(5), DBERR_NOTSUPPORTED);
}

TEST(EngineStore, LaterPacketsAddRowsOnlyWithTheSameColumns) {
  Opened o;
  Open(SamplePacket(), o);
  const auto more = BuildPacket(Columns(), {{Text("05"), Text("e"), Int32(1), Null()}});
  ASSERT_EQ(o.store->DsAppendPacket(more.data(), static_cast<uint32_t>(more.size()), 1),
            DBERR_NONE);
  uint32_t count = 0;
  o.cursor->CurCount(&count);
  EXPECT_EQ(count, 5u);
  const auto other = BuildPacket({{"X", kInt}}, {{Int32(1)}});
  EXPECT_EQ(o.store->DsAppendPacket(other.data(), static_cast<uint32_t>(other.size()), 1),
            DBERR_STRUCTMISMATCH);
}

TEST(EngineStore, UnknownClassesAndInterfacesAreRefused) {
  DllGetClassObjectFunc entry = Entry();
  ASSERT_NE(entry, nullptr);
  void* object = nullptr;
  EXPECT_EQ(entry(&IID_IDSBase, &IID_IDSClassFactory, &object), DS_CLASS_E_CLASSNOTAVAILABLE);
  IDSClassFactory* factory = nullptr;
  ASSERT_EQ(entry(&CLSID_DSCursor, &IID_IDSClassFactory, reinterpret_cast<void**>(&factory)),
            DS_S_OK);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDSBase, &object), DS_E_NOINTERFACE);
  factory->Release();
}
