#pragma once

// A PDF file written object by object into a stream as its pages come: only the byte offsets
// of the objects stay in memory until the cross-reference table closes the file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TStream;

// Appends `value` to `out` as a PDF number with at most `decimals` decimals, no trailing zeros.
void AppendPdfNumber(std::string& out, double value, int decimals = 2);

// A PDF text string: UTF-16BE with its byte order mark, in hexadecimal.
std::string PdfTextString(const std::u16string& text);

class TPdfDocument {
 public:
  // Writes the file header into `out`, which must outlive the document. Every write raises
  // the stream's error when the stream does not take it.
  explicit TPdfDocument(TStream& out);
  TPdfDocument(const TPdfDocument&) = delete;
  TPdfDocument& operator=(const TPdfDocument&) = delete;

  // A new object number, written later with WriteObject or WriteStream.
  int Reserve();
  // Writes object `id` whose body (a dictionary, array, ...) is `body`.
  void WriteObject(int id, std::string_view body);
  // Writes object `id` as a stream of `data`, deflated when `deflate`; `dictionary` holds the
  // entries besides /Length and /Filter.
  void WriteStream(int id, std::string_view dictionary, std::string_view data, bool deflate);
  // Writes the cross-reference table and the trailer naming `root` and `info`.
  void Finish(int root, int info);

 private:
  void Put(std::string_view bytes);

  TStream& out_;
  uint64_t written_ = 0;
  std::vector<uint64_t> offsets_;  // of object i + 1; 0 while reserved
};
