#include "print/PdfDocument.h"

#include <zlib.h>

#include <charconv>
#include <cmath>
#include <new>

#include "export/Stream.h"

void AppendPdfNumber(std::string& out, double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  char buffer[64];
  auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (error != std::errc()) end = buffer;
  char* last = end;
  for (char* dot = buffer; dot < end; ++dot) {
    if (*dot != '.') continue;
    while (last > dot + 1 && last[-1] == '0') --last;
    if (last == dot + 1) last = dot;
    break;
  }
  if (last == buffer + 2 && buffer[0] == '-' && buffer[1] == '0') {
    out += '0';
    return;
  }
  out.append(buffer, last);
}

std::string PdfTextString(const std::u16string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "<FEFF";
  for (char16_t unit : text) {
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
  }
  return out + ">";
}

TPdfDocument::TPdfDocument(TStream& out) : out_(out) { Put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"); }

int TPdfDocument::Reserve() {
  offsets_.push_back(0);
  return static_cast<int>(offsets_.size());
}

void TPdfDocument::Put(std::string_view bytes) {
  out_.Write(bytes);
  written_ += bytes.size();
}

void TPdfDocument::WriteObject(int id, std::string_view body) {
  offsets_[id - 1] = written_;
  Put(std::to_string(id) + " 0 obj\n");
  Put(body);
  Put("\nendobj\n");
}

void TPdfDocument::WriteStream(int id, std::string_view dictionary, std::string_view data,
                               bool deflate) {
  std::string packed;
  if (deflate) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    packed.resize(size);
    const int status = compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                                 reinterpret_cast<const Bytef*>(data.data()),
                                 static_cast<uLong>(data.size()), Z_BEST_SPEED);
    if (status == Z_MEM_ERROR) throw std::bad_alloc();
    deflate = status == Z_OK;
    packed.resize(deflate ? size : 0);
  }
  const std::string_view body = deflate ? std::string_view(packed) : data;
  offsets_[id - 1] = written_;
  Put(std::to_string(id) + " 0 obj\n<<" + std::string(dictionary) + " /Length " +
      std::to_string(body.size()) + (deflate ? " /Filter /FlateDecode" : "") + ">>\nstream\n");
  Put(body);
  Put("\nendstream\nendobj\n");
}

void TPdfDocument::Finish(int root, int info) {
  const uint64_t xref = written_;
  std::string table = "xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n";
  for (uint64_t offset : offsets_) {
    char line[24];
    std::snprintf(line, sizeof line, "%010llu 00000 n \n", static_cast<unsigned long long>(offset));
    table += line;
  }
  table += "trailer\n<< /Size " + std::to_string(offsets_.size() + 1) + " /Root " +
           std::to_string(root) + " 0 R /Info " + std::to_string(info) + " 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
  Put(table);
}
