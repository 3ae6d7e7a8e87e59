// The packet reader must reject truncated and corrupted packets with a status and never read
// past their end. The mutation loop runs under the sanitizers in CI (build-asan).

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/engine/support/Engine.h"

using namespace enginetest;

namespace {

std::vector<uint8_t> Sample() {
  const uint32_t text1 = DSTypeWord(DSFLD_ZSTRING, DSTYPE_VARYING | 1);
  const uint32_t text2 = DSTypeWord(DSFLD_ZSTRING, DSTYPE_VARYING | 2);
  const uint32_t blob = DSTypeWord(DSFLD_BYTES, DSTYPE_VARYING | 4);
  const uint32_t bcd = DSTypeWord(DSFLD_FMTBCD, DSBcdSize(15));
  const uint32_t int4 = DSTypeWord(DSFLD_INT, 4);
  std::vector<ColumnSpec> columns = {{"A", text1, 10},  {"B", int4}, {"C", bcd, 15, 2},
                                     {"D", text2, 300}, {"E", blob}, {"F", int4},
                                     {"G", int4},       {"H", int4}, {"I", int4}};
  std::vector<std::vector<Cell>> rows;
  for (int i = 0; i < 6; ++i) {
    rows.push_back({Text("row" + std::to_string(i)), Int32(i),
                    Bcd(std::to_string(i) + ".25", 15, 2),
                    i % 2 ? Null() : Text(std::string(i * 40, 'z')), Text("blob"), Int32(1), Null(),
                    Int32(3), Int32(4)});
  }
  return BuildPacket(columns, rows);
}

void FixChecksum(std::vector<uint8_t>& p) {
  if (p.size() < DSPACKET_HEADER) return;
  const uint32_t sum = DSPacketChecksum(p.data() + DSPACKET_HEADER, p.size() - DSPACKET_HEADER);
  std::memcpy(p.data() + 16, &sum, 4);
}

// Loads `bytes` from an exact-size heap copy (so a read past the end is a sanitizer report)
// and, when accepted, reads every field of every row.
DBResult LoadAndWalk(const std::vector<uint8_t>& bytes) {
  std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() + (bytes.empty() ? 1 : 0)]);
  if (!bytes.empty()) std::memcpy(exact.get(), bytes.data(), bytes.size());
  Ref<IDSBase> store(NewStore());
  const DBResult status =
      store->DsAppendPacket(exact.get(), static_cast<uint32_t>(bytes.size()), 1);
  if (status != DBERR_NONE) return status;
  exact.reset();  // the store keeps its own copy
  DSProps props = {};
  EXPECT_EQ(store->DsProps(&props), DBERR_NONE);
  std::vector<DSFLDDesc> fields(props.iFields);
  store->DsFieldDescs(fields.data());
  Ref<IDSCursor> cursor(NewCursor());
  EXPECT_EQ(cursor->CurInit(store.get()), DBERR_NONE);
  std::vector<uint8_t> record(props.iRecBufSize), value;
  while (cursor->CurMove(1) == DBERR_NONE) {
    EXPECT_EQ(cursor->CurRecord(record.data()), DBERR_NONE);
    for (uint32_t f = 1; f <= props.iFields; ++f) {
      value.resize(fields[f - 1].iFldLen);
      int32_t isNull = 0;
      cursor->CurGetField(record.data(), f, value.data(), &isNull);
      if (fields[f - 1].iFldType == DSFLD_BYTES && !isNull) {
        DSBlobRef ref;
        std::memcpy(&ref, value.data(), sizeof ref);
        volatile uint8_t sink = 0;
        for (uint32_t i = 0; i < ref.iLength; ++i) sink = sink ^ ref.pData[i];
      }
    }
    EXPECT_EQ(cursor->CurModify(record.data()), DBERR_NONE);
  }
  // Locate walks the packed rows directly.
  const uint8_t filter[] = {'G', 'D', 'S', 'F', 0, 0, 0, 0, 1, 0, 0, 0,  3,
                            0,   0,   0,   3,   0, 0, 0, 1, 0, 0, 0, '9'};
  cursor->CurFirst();
  cursor->CurLocate(filter, sizeof filter);
  const uint8_t* streamed = nullptr;
  uint32_t length = 0;
  EXPECT_EQ(store->DsStream(&streamed, &length), DBERR_NONE);
  return status;
}

}  // namespace

TEST(EnginePacketReader, EveryTruncationIsRejected) {
  const std::vector<uint8_t> packet = Sample();
  ASSERT_EQ(LoadAndWalk(packet), DBERR_NONE);
  for (size_t length = 0; length < packet.size(); ++length) {
    std::vector<uint8_t> cut(packet.begin(), packet.begin() + length);
    EXPECT_EQ(LoadAndWalk(cut), DBERR_INVALIDPACKET) << length;
    // Even with a matching length field and checksum the rows must add up.
    if (length >= DSPACKET_HEADER) {
      const uint32_t size = static_cast<uint32_t>(length);
      std::memcpy(cut.data() + 12, &size, 4);
      FixChecksum(cut);
      EXPECT_EQ(LoadAndWalk(cut), DBERR_INVALIDPACKET) << length;
    }
  }
}

TEST(EnginePacketReader, ACorruptedByteFailsTheChecksum) {
  const std::vector<uint8_t> packet = Sample();
  for (size_t i = DSPACKET_HEADER; i < packet.size(); i += 7) {
    std::vector<uint8_t> bad = packet;
    bad[i] ^= 0x5A;
    EXPECT_EQ(LoadAndWalk(bad), DBERR_INVALIDPACKET) << i;
  }
}

// Seeded random mutations with the checksum and length repaired, so that the structural
// checks themselves are exercised. No crash, no sanitizer report; accepted packets are walked.
TEST(EnginePacketReader, RandomMutationsNeverCrash) {
  const std::vector<uint8_t> packet = Sample();
  std::mt19937 random(20261210);
  int accepted = 0;
  for (int round = 0; round < 4000; ++round) {
    std::vector<uint8_t> bytes = packet;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
      const size_t at = random() % bytes.size();
      switch (random() % 4) {
        case 0:
          bytes[at] = static_cast<uint8_t>(random());
          break;
        case 1:
          bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8));
          break;
        case 2:
          bytes.erase(bytes.begin() + static_cast<long>(at));
          break;
        default:
          bytes.insert(bytes.begin() + static_cast<long>(at), static_cast<uint8_t>(random()));
          break;
      }
      if (bytes.size() < DSPACKET_HEADER + 1) bytes = packet;
    }
    if (random() % 8 != 0) {
      const uint32_t size = static_cast<uint32_t>(bytes.size());
      std::memcpy(bytes.data() + 12, &size, 4);
      FixChecksum(bytes);
    }
    const DBResult status = LoadAndWalk(bytes);
    EXPECT_TRUE(status == DBERR_NONE || status == DBERR_INVALIDPACKET) << status;
    accepted += status == DBERR_NONE;
  }
  EXPECT_GT(accepted, 0);  // some mutations (inside values) are valid packets
}
