// The exporters' memory, spill and file streams.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "export/Stream.h"
#include "tests/export/support/FakeGrid.h"
#include "tests/export/support/Render.h"

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

class FileStream : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("stream_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::filesystem::path folder_;
};

TEST_F(FileStream, TruncateTakesBackBufferedAndWrittenBytes) {
  const auto path = folder_ / "out.bin";
  const std::string bytes = Pattern(200000);  // past the stream's own buffer
  TFileStream file(path.string());
  file.Write(bytes);
  EXPECT_EQ(file.Position(), 200000);
  EXPECT_TRUE(file.Truncate(199990));   // still in the buffer
  EXPECT_TRUE(file.Truncate(1000));     // already on disk
  EXPECT_FALSE(file.Truncate(5000));    // beyond the end
  file.Write("end");
  file.Close();
  EXPECT_EQ(ReadFile(path), bytes.substr(0, 1000) + "end");
}

TEST_F(FileStream, RtfFailureAfterManyRowsLeavesAnEmptyFile) {
  FakeGrid grid;
  grid.AddColumn({.FieldName = "F", .Caption = "T"});
  for (int r = 0; r < 5000; ++r) grid.AddRow({{false, "row " + std::to_string(r)}});
  grid.FailAtRecord = 4000;  // long after the first bytes reached the disk
  const auto path = folder_ / "Costos.rtf";
  EXPECT_THROW(ExportGridToFile(kRtf, grid, path.string(), true), platform::Exception);
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(ReadFile(path), "");
}

}  // namespace
