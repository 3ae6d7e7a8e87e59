// The exporters' memory and spill streams.

#include <gtest/gtest.h>

#include "export/Stream.h"

namespace {

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + (i * 7 + i / 4093) % 26);
  return bytes;
}

TEST(MemoryStream, GrowsInWholeStepsOf128KiBWithoutDoubling) {
  struct Case {
    size_t written;
    size_t capacity;
  } cases[] = {
      {0, 0},
      {1, 131072},
      {131072, 131072},
      {131073, 262144},
      {10 * 1048576 + 1, 10 * 1048576 + 131072},
  };
  for (const Case& c : cases) {
    TMemoryStream stream;
    const std::string bytes = Pattern(c.written);
    // Written in uneven pieces, so that steps are taken in the middle of a write.
    for (size_t done = 0; done < bytes.size(); done += 40000) {
      stream.Write(std::string_view(bytes).substr(done, 40000));
    }
    EXPECT_EQ(stream.Capacity(), c.capacity) << c.written;
    EXPECT_EQ(stream.Bytes(), bytes) << c.written;
  }
}

TEST(MemoryStream, TruncateMoveToAndClear) {
  TMemoryStream stream;
  const std::string bytes = Pattern(300000);
  stream.Write(bytes);
  EXPECT_FALSE(stream.Truncate(300001));
  EXPECT_TRUE(stream.Truncate(250000));
  EXPECT_EQ(stream.Position(), 250000);
  stream.Write("tail");
  std::string copy(stream.Size(), '\0');
  stream.MoveTo(copy.data());
  EXPECT_EQ(copy, bytes.substr(0, 250000) + "tail");
  EXPECT_EQ(stream.Size(), 0u);
  EXPECT_EQ(stream.Capacity(), 0u);
  stream.Write("again");  // usable after giving its memory back
  EXPECT_EQ(stream.Bytes(), "again");
  stream.Clear();
  EXPECT_EQ(stream.Bytes(), "");
}

TEST(SpillStream, KeepsEveryByteInOrderBelowAndAboveTheMemoryLimit) {
  for (const size_t size : {size_t{0}, size_t{1000}, TSpillStream::kMemoryLimit * 2 + 12345}) {
    const std::string bytes = Pattern(size);
    TSpillStream spill;
    for (size_t done = 0; done < bytes.size(); done += 70001) {
      spill.Write(std::string_view(bytes).substr(done, 70001));
    }
    TMemoryStream copy;
    spill.CopyTo(copy);
    EXPECT_EQ(copy.Bytes(), bytes) << size;
  }
}

}  // namespace
