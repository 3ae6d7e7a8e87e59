// The record window of the data set base: moves, links, notices and disabled controls,
// over a data set whose records are numbers 1..N.
#include <gtest/gtest.h>

#include <cstring>

#include "data/DB.h"

namespace {

class NumberDataSet : public TDataSet {
 public:
  explicit NumberDataSet(int count) : TDataSet("Numbers"), count_(count) {}
  ~NumberDataSet() override { Close(); }
  int RecNo() const override {
    const TRecordBuffer* buffer = ActiveBuffer();
    return buffer == nullptr ? -1 : Number(*buffer);
  }
  int RecordCount() const override { return count_; }
  bool IsSequenced() const override { return true; }
  bool GetFieldData(const TField&, void*) const override { return false; }
  int moves = 0;

 protected:
  void InternalOpen() override { open_ = true; }
  void InternalClose() override { open_ = false; }
  bool IsCursorOpen() const override { return open_; }
  void InternalInitFieldDefs() override {}
  size_t RecordBufferSize() const override { return sizeof(int); }
  TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode) override {
    ++moves;
    if (mode == gmNext) {
      if (position_ >= count_) {
        position_ = count_ + 1;
        return grEOF;
      }
      ++position_;
    } else if (mode == gmPrior) {
      if (position_ <= 1) {
        position_ = 0;
        return grBOF;
      }
      --position_;
    } else if (position_ < 1 || position_ > count_) {
      return grError;
    }
    std::memcpy(buffer.Data.data(), &position_, sizeof position_);
    return grOK;
  }
  void InternalFirst() override { position_ = 0; }
  void InternalLast() override { position_ = count_ + 1; }
  void InternalSetToRecord(const TRecordBuffer& buffer) override { position_ = Number(buffer); }
  TBookmark BookmarkOfBuffer(const TRecordBuffer& buffer) const override {
    return TBookmark(reinterpret_cast<const char*>(buffer.Data.data()), sizeof(int));
  }
  void InternalGotoBookmark(const TBookmark& bookmark) override {
    std::memcpy(&position_, bookmark.data(), sizeof position_);
  }

 private:
  static int Number(const TRecordBuffer& buffer) {
    int number;
    std::memcpy(&number, buffer.Data.data(), sizeof number);
    return number;
  }
  int count_;
  int position_ = 0;
  bool open_ = false;
};

// Records the notices a link receives.
class RecordingLink : public TDataLink {
 public:
  std::vector<std::string> notices;

 protected:
  void ActiveChanged() override { notices.push_back(Active() ? "active" : "inactive"); }
  void DataSetChanged() override { notices.push_back("changed"); }
  void DataSetScrolled(int distance) override {
    notices.push_back("scrolled " + std::to_string(distance));
  }
  void LayoutChanged() override { notices.push_back("layout"); }
};

// The record numbers the link shows, top to bottom.
std::vector<int> Shown(RecordingLink& link, NumberDataSet& data) {
  std::vector<int> numbers;
  int active = link.ActiveRecord();
  for (int i = 0; i < link.RecordCount(); ++i) {
    link.SetActiveRecord(i);
    numbers.push_back(data.RecNo());
  }
  link.SetActiveRecord(active);
  return numbers;
}

TEST(DataSetWindow, OpenFillsTheLinkWindowAndMovesScrollIt) {
  NumberDataSet data(10);
  TDataSource source(&data);
  RecordingLink link;
  link.SetDataSource(&source);
  link.SetBufferCount(4);
  data.Open();
  EXPECT_TRUE(data.Bof());
  EXPECT_FALSE(data.Eof());
  EXPECT_EQ(Shown(link, data), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(data.MoveBy(5), 5);
  EXPECT_EQ(data.RecNo(), 6);
  EXPECT_EQ(Shown(link, data), (std::vector<int>{3, 4, 5, 6}));
  EXPECT_EQ(link.ActiveRecord(), 3);
  EXPECT_EQ(data.MoveBy(-4), -4);
  EXPECT_EQ(data.RecNo(), 2);
  EXPECT_EQ(link.ActiveRecord(), 0);
  EXPECT_EQ(data.MoveBy(100), 8);
  EXPECT_TRUE(data.Eof());
  EXPECT_EQ(data.MoveBy(1), 0);
  data.Last();
  EXPECT_EQ(data.RecNo(), 10);
  EXPECT_EQ(Shown(link, data), (std::vector<int>{7, 8, 9, 10}));
  data.First();
  EXPECT_EQ(data.RecNo(), 1);
  EXPECT_TRUE(data.Bof());
}

TEST(DataSetWindow, BookmarksReturnToTheRecord) {
  NumberDataSet data(50);
  TDataSource source(&data);
  RecordingLink link;
  link.SetDataSource(&source);
  link.SetBufferCount(5);
  data.Open();
  data.MoveBy(30);
  TBookmark mark = data.GetBookmark();
  data.First();
  data.GotoBookmark(mark);
  EXPECT_EQ(data.RecNo(), 31);
  EXPECT_EQ(data.CompareBookmarks(mark, TBookmark{}), -1);
  EXPECT_EQ(data.CompareBookmarks(TBookmark{}, mark), 1);
  EXPECT_EQ(data.CompareBookmarks(TBookmark{}, TBookmark{}), 0);
}

TEST(DataSetWindow, EmptyAndClosedStates) {
  NumberDataSet empty(0);
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_TRUE(empty.Eof() && empty.Bof());
  empty.Open();
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_TRUE(empty.Eof());
  EXPECT_TRUE(empty.Bof());
  EXPECT_EQ(empty.MoveBy(1), 0);
  empty.Close();
  EXPECT_THROW(empty.CheckActive(), EDatabaseError);
}

TEST(DataSetNotices, NestedDisableSendsOneChangeNotice) {
  NumberDataSet data(10);
  TDataSource source(&data);
  RecordingLink link;
  link.SetDataSource(&source);
  data.Open();
  link.notices.clear();
  data.DisableControls();
  data.DisableControls();
  data.Next();
  data.Next();
  data.EnableControls();
  EXPECT_TRUE(link.notices.empty());
  data.EnableControls();
  EXPECT_EQ(link.notices, (std::vector<std::string>{"changed"}));
  data.EnableControls();  // at count 0: nothing
  EXPECT_EQ(link.notices.size(), 1u);
}

TEST(DataSetNotices, LinkFollowsOpenAndClose) {
  NumberDataSet data(3);
  TDataSource source(&data);
  RecordingLink link;
  link.SetDataSource(&source);
  data.Open();
  data.Next();
  data.Close();
  EXPECT_EQ(link.notices, (std::vector<std::string>{"active", "changed", "scrolled 1",
                                                    "inactive"}));
}

}  // namespace
