#include "print/ReportRowSpool.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "export/Stream.h"
#include "platform/Errors.h"

namespace {

bool SameStyle(const TExportCellParams& a, const TExportCellParams& b) {
  return a.Alignment == b.Alignment && a.Background == b.Background && a.Font == b.Font &&
         a.ImageIndex == b.ImageIndex && a.CheckboxState == b.CheckboxState;
}

}  // namespace

TReportRowSpool::TReportRowSpool(std::string contents) : contents_(std::move(contents)) {
  const char* folder = std::getenv("TMPDIR");
  if (folder == nullptr || *folder == '\0') folder = "/tmp";
  folder_ = folder;
  const int fd = ::open(folder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) file_ = ::fdopen(fd, "w+b");
  if (file_ == nullptr) {
    const int error = errno;
    if (fd >= 0) ::close(fd);
    throw platform::Exception(
        "Cannot create the temporary file of " + contents_ + " in " + folder_ + ". " +
        std::strerror(error) + ".");
  }
}

TReportRowSpool::~TReportRowSpool() {
  if (file_) std::fclose(file_);
}

// A write names the file and its folder, so that the caller can add the limit it met.
// Rows that did not all reach the file cannot be read back: every later use fails the same.
void TReportRowSpool::FailWrite() {
  if (writeError_ == 0) writeError_ = errno != 0 ? errno : EIO;
  throw EWriteError(writeError_, "the temporary file of " + contents_ + " in \"" + folder_ + "\"");
}

void TReportRowSpool::FailRead() const {
  const int error = errno;
  throw platform::Exception("Cannot read the temporary file of " + contents_ + ". " +
                            (error ? std::strerror(error) : "It ends early") + ".");
}

void TReportRowSpool::Put(const void* data, size_t size) {
  if (writeError_ != 0 || (size != 0 && fwrite_unlocked(data, 1, size, file_) != size)) {
    FailWrite();
  }
}

void TReportRowSpool::Get(void* data, size_t size) {
  errno = 0;
  if (size != 0 && fread_unlocked(data, 1, size, file_) != size) FailRead();
}

void TReportRowSpool::PutCount(uint32_t value) {
  unsigned char bytes[5];
  size_t n = 0;
  do {
    bytes[n++] = static_cast<unsigned char>((value & 0x7F) | (value > 0x7F ? 0x80 : 0));
    value >>= 7;
  } while (value != 0);
  Put(bytes, n);
}

uint32_t TReportRowSpool::GetCount() {
  uint32_t value = 0;
  for (int shift = 0; shift < 35; shift += 7) {
    errno = 0;
    const int got = getc_unlocked(file_);
    if (got == EOF) FailRead();
    const unsigned char byte = static_cast<unsigned char>(got);
    value |= static_cast<uint32_t>(byte & 0x7F) << shift;
    if (!(byte & 0x80)) break;
  }
  return value;
}

uint32_t TReportRowSpool::StyleOf(const TExportCellParams& cell) {
  if (cellsInRow_ < lastStyle_.size() && SameStyle(styles_[lastStyle_[cellsInRow_]], cell)) {
    return lastStyle_[cellsInRow_];
  }
  uint32_t style = 0;
  while (style < styles_.size() && !SameStyle(styles_[style], cell)) ++style;
  if (style == styles_.size()) {
    styles_.push_back(cell);
    styles_.back().Text.clear();
  }
  if (cellsInRow_ >= lastStyle_.size()) lastStyle_.resize(cellsInRow_ + 1);
  lastStyle_[cellsInRow_] = style;
  return style;
}

void TReportRowSpool::AddCell(const TExportCellParams& cell) {
  if (cellsInRow_ == 0 && rows_ % kRowsPerMark == 0) {
    const long mark = std::ftell(file_);
    if (mark < 0) FailWrite();
    marks_.push_back(mark);
  }
  PutCount(StyleOf(cell));
  PutCount(static_cast<uint32_t>(cell.Text.size()));
  Put(cell.Text.data(), cell.Text.size());
  ++cellsInRow_;
}

void TReportRowSpool::EndRow() {
  if (rows_ == 0) columns_ = cellsInRow_;
  cellsInRow_ = 0;
  ++rows_;
}

void TReportRowSpool::ReadRows(int first, int end) {
  if (first == first_ && end == end_ && reading_) return;
  if (writeError_ != 0 || (!reading_ && std::fflush(file_) != 0)) FailWrite();
  // Forward from the mark at or before the first row.
  const int mark = first / kRowsPerMark;
  if (mark >= static_cast<int>(marks_.size())) return;
  if (std::fseek(file_, marks_[mark], SEEK_SET) != 0) FailRead();
  reading_ = true;
  block_.resize(static_cast<size_t>(end - first) * columns_);
  for (int row = mark * kRowsPerMark; row < end; ++row) {
    for (size_t column = 0; column < columns_; ++column) {
      const uint32_t style = GetCount();
      const uint32_t size = GetCount();
      if (style >= styles_.size()) {
        errno = 0;
        FailRead();
      }
      if (row < first) {
        skipped_.resize(size);
        Get(skipped_.data(), size);
        continue;
      }
      TExportCellParams& cell = block_[static_cast<size_t>(row - first) * columns_ + column];
      std::string text = std::move(cell.Text);
      cell = styles_[style];
      cell.Text = std::move(text);
      cell.Text.resize(size);
      Get(cell.Text.data(), size);
    }
  }
  first_ = first;
  end_ = end;
}
