#include "driver/ReadAhead.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace ibdriver {

namespace {

// The ring holds about this many bytes of rows, within the row limits below.
constexpr size_t kRingBytes = 2u << 20;
constexpr size_t kMinRows = 64;
constexpr size_t kMaxRows = 4096;
// A waiting reader is woken for this many rows at once rather than for each one; a result that
// comes slowly still reaches it within the wait.
constexpr size_t kWakeRows = 32;
constexpr auto kWait = std::chrono::milliseconds(5);

}  // namespace

ReadAhead::ReadAhead(const FbClient& api, isc_stmt_handle* statement, unsigned short dialect,
                     const XSQLDA& output, const std::vector<char>& buffer,
                     const std::vector<short>& nulls)
    : api_(api),
      statement_(statement),
      dialect_(dialect),
      rowBuffer_(buffer.size()),
      rowNulls_(nulls.size()),
      bufferBytes_(buffer.size()),
      rowBytes_(buffer.size() + nulls.size() * sizeof(short)) {
  // The thread's own copy of the layout, its variables pointing into the thread's buffers.
  const size_t length = XSQLDA_LENGTH(output.sqln);
  layout_.reset(static_cast<XSQLDA*>(std::malloc(length)));
  if (!layout_) throw std::bad_alloc();
  std::memcpy(layout_.get(), &output, length);
  for (int i = 0; i < layout_->sqld; ++i) {
    XSQLVAR& var = layout_->sqlvar[i];
    var.sqldata = rowBuffer_.data() + (var.sqldata - buffer.data());
    var.sqlind = rowNulls_.data() + (var.sqlind - nulls.data());
  }
  capacity_ = std::clamp(kRingBytes / std::max<size_t>(rowBytes_, 1), kMinRows, kMaxRows);
  ring_.resize(capacity_ * rowBytes_);
  thread_ = std::thread(&ReadAhead::Read, this);
}

ReadAhead::~ReadAhead() { Stop(); }

void ReadAhead::Read() {
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      while (!stop_ && count_ == capacity_) {
        threadWaiting_ = true;
        spaceFree_.wait(lock);
      }
      threadWaiting_ = false;
      if (stop_) return;
    }
    ISC_STATUS_ARRAY status;
    const ISC_STATUS result = api_.dsql_fetch(status, statement_, dialect_, layout_.get());
    std::string text = result != 0 && result != 100 ? StatusText(api_, status) : std::string();
    std::lock_guard<std::mutex> lock(mutex_);
    if (result == 0) {
      char* slot = ring_.data() + (head_ + count_) % capacity_ * rowBytes_;
      std::memcpy(slot, rowBuffer_.data(), bufferBytes_);
      std::memcpy(slot + bufferBytes_, rowNulls_.data(), rowBytes_ - bufferBytes_);
      ++count_;
    } else {
      finished_ = true;
      failed_ = result != 100;
      error_ = std::move(text);
    }
    if (readerWaiting_ && (count_ >= kWakeRows || finished_)) rowsReady_.notify_one();
    if (finished_) return;
  }
}

ReadAhead::Result ReadAhead::Take(std::vector<char>& buffer, std::vector<short>& nulls,
                                  std::string& error) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (count_ == 0 && !finished_ && !stop_) {
    readerWaiting_ = true;
    rowsReady_.wait_for(lock, kWait, [&] { return count_ >= kWakeRows || finished_ || stop_; });
  }
  readerWaiting_ = false;
  if (count_ > 0) {
    const char* slot = ring_.data() + head_ * rowBytes_;
    std::memcpy(buffer.data(), slot, bufferBytes_);
    std::memcpy(nulls.data(), slot + bufferBytes_, rowBytes_ - bufferBytes_);
    head_ = (head_ + 1) % capacity_;
    --count_;
    if (threadWaiting_ && count_ <= capacity_ / 2) spaceFree_.notify_one();
    return Result::Row;
  }
  if (finished_ && !failed_) return Result::End;
  if (finished_ && !errorTaken_) {
    errorTaken_ = true;
    error = error_;
    return Result::Error;
  }
  return Result::Stopped;
}

void ReadAhead::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  spaceFree_.notify_all();
  if (thread_.joinable()) thread_.join();
}

}  // namespace ibdriver
