#pragma once

// Reads the rows of an open result on a thread of its own, ahead of the cursor that hands them
// out, so that the database engine produces rows while the reader converts the earlier ones.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "driver/FbClient.h"

namespace ibdriver {

class ReadAhead {
 public:
  // `output` is the statement's row layout: its variables point into `buffer` and `nulls`.
  ReadAhead(const FbClient& api, isc_stmt_handle* statement, unsigned short dialect,
            const XSQLDA& output, const std::vector<char>& buffer,
            const std::vector<short>& nulls);
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;
  ~ReadAhead();

  enum class Result {
    Row,      // the next row is in the buffers
    End,      // the result has no more rows
    Error,    // the fetch failed: `error` holds the server's text
    Stopped,  // no rows read ahead remain and the thread has stopped: fetch directly
  };
  // Copies the next row read ahead into `buffer` and `nulls` (the layout given at the start).
  Result Take(std::vector<char>& buffer, std::vector<short>& nulls, std::string& error);
  // Ends the reading thread after its current fetch. Rows already read stay to be taken.
  void Stop();

 private:
  void Read();

  const FbClient& api_;
  isc_stmt_handle* statement_;
  unsigned short dialect_;
  std::unique_ptr<XSQLDA, void (*)(void*)> layout_{nullptr, free};
  std::vector<char> rowBuffer_;  // where the thread's fetches land
  std::vector<short> rowNulls_;
  size_t bufferBytes_;
  size_t rowBytes_;

  // Ring of row images (buffer bytes, then null indicators) shared with the thread.
  std::mutex mutex_;
  std::condition_variable rowsReady_;
  std::condition_variable spaceFree_;
  std::vector<char> ring_;
  size_t capacity_;
  size_t head_ = 0;
  size_t count_ = 0;
  bool finished_ = false;  // the thread read its last row (end or error)
  bool stop_ = false;
  bool failed_ = false;
  bool errorTaken_ = false;
  bool readerWaiting_ = false;
  bool threadWaiting_ = false;
  std::string error_;
  std::thread thread_;
};

}  // namespace ibdriver
