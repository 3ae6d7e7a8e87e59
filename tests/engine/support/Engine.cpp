#include "tests/engine/support/Engine.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

#include "platform/ProgramFolder.h"

namespace enginetest {

DllGetClassObjectFunc Entry() {
  static DllGetClassObjectFunc entry = [] {
    void* library = dlopen(platform::ResolveLibraryPath("libdsengine.so").c_str(), RTLD_NOW);
    if (library == nullptr) return DllGetClassObjectFunc(nullptr);
    return reinterpret_cast<DllGetClassObjectFunc>(dlsym(library, "DllGetClassObject"));
  }();
  return entry;
}

void* Make(const DSGUID& clsid, const DSGUID& iid) {
  DllGetClassObjectFunc entry = Entry();
  EXPECT_NE(entry, nullptr) << dlerror();
  if (entry == nullptr) return nullptr;
  IDSClassFactory* factory = nullptr;
  EXPECT_EQ(entry(&clsid, &IID_IDSClassFactory, reinterpret_cast<void**>(&factory)), DS_S_OK);
  void* object = nullptr;
  EXPECT_EQ(factory->CreateInstance(nullptr, iid, &object), DS_S_OK);
  factory->Release();
  return object;
}

Cell Text(const std::string& s) { return Cell{false, s}; }
Cell Int32(int32_t v) { return Cell{false, std::string(reinterpret_cast<const char*>(&v), 4)}; }
Cell Null() { return Cell{true, {}}; }

Cell Bcd(const std::string& text, int precision, int places) {
  uint8_t value[34] = {};
  value[0] = static_cast<uint8_t>(precision);
  bool negative = !text.empty() && text[0] == '-';
  std::string digits = negative ? text.substr(1) : text;
  std::string integer = digits.substr(0, digits.find('.'));
  std::string fraction =
      digits.find('.') == std::string::npos ? "" : digits.substr(digits.find('.') + 1);
  fraction.resize(places, '0');
  std::string all = std::string(precision - places - integer.size(), '0') + integer + fraction;
  for (int i = 0; i < precision; ++i) {
    const int d = all[i] - '0';
    value[2 + i / 2] |= static_cast<uint8_t>(i % 2 == 0 ? d << 4 : d);
  }
  value[1] = static_cast<uint8_t>(places | (negative ? 0x80 : 0));
  return Cell{false, std::string(reinterpret_cast<const char*>(value), DSBcdSize(precision))};
}

std::vector<uint8_t> BuildPacket(const std::vector<ColumnSpec>& columns,
                                 const std::vector<std::vector<Cell>>& rows) {
  Ref<IDSWriter> writer(NewWriter());
  EXPECT_EQ(writer->WrInit(1, static_cast<uint32_t>(columns.size())), DBERR_NONE);
  for (const ColumnSpec& c : columns) {
    DSColumnDesc desc = {};
    std::strncpy(desc.szName, c.name.c_str(), 31);
    desc.iType = c.type;
    EXPECT_EQ(writer->WrColumn(&desc), DBERR_NONE) << c.name;
  }
  for (size_t i = 0; i < columns.size(); ++i) {
    const uint32_t no = static_cast<uint32_t>(i + 1);
    if (columns[i].width != 0) {
      EXPECT_EQ(writer->WrAttribute(no, "WIDTH", DSATTR_TYPE_INT, 4, &columns[i].width), 0);
    }
    if (columns[i].decimals != 0) {
      EXPECT_EQ(writer->WrAttribute(no, "DECIMALS", DSATTR_TYPE_INT, 4, &columns[i].decimals), 0);
    }
  }
  int32_t lcid = 0;
  EXPECT_EQ(writer->WrAttribute(0, "LCID", DSATTR_TYPE_INT, 4, &lcid), DBERR_NONE);
  for (const auto& row : rows) {
    uint8_t status = 0;
    EXPECT_EQ(writer->WrValue(0, 1, &status), DBERR_NONE);
    for (const Cell& cell : row) {
      EXPECT_EQ(writer->WrValue(cell.isNull ? 1 : 0, static_cast<uint32_t>(cell.bytes.size()),
                                cell.bytes.data()),
                DBERR_NONE);
    }
  }
  const uint8_t* data = nullptr;
  uint32_t length = 0;
  EXPECT_EQ(writer->WrPacket(&data, &length), DBERR_NONE);
  return std::vector<uint8_t>(data, data + length);
}

void Open(const std::vector<uint8_t>& packet, Opened& out) {
  *out.store.out() = NewStore();
  ASSERT_EQ(out.store->DsAppendPacket(packet.data(), static_cast<uint32_t>(packet.size()), 1),
            DBERR_NONE);
  DSProps props = {};
  ASSERT_EQ(out.store->DsProps(&props), DBERR_NONE);
  out.fields.resize(props.iFields);
  ASSERT_EQ(out.store->DsFieldDescs(out.fields.data()), DBERR_NONE);
  out.recordSize = props.iRecBufSize;
  *out.cursor.out() = NewCursor();
  ASSERT_EQ(out.cursor->CurInit(out.store.get()), DBERR_NONE);
}

std::string FieldText(Opened& o, uint32_t fieldNo) {
  std::vector<uint8_t> record(o.recordSize);
  if (o.cursor->CurRecord(record.data()) != DBERR_NONE) return "<no row>";
  std::vector<char> value(o.fields[fieldNo - 1].iFldLen + 1, 0);
  int32_t isNull = 0;
  EXPECT_EQ(o.cursor->CurGetField(record.data(), fieldNo, value.data(), &isNull), DBERR_NONE);
  return isNull ? "<null>" : std::string(value.data());
}

}  // namespace enginetest
