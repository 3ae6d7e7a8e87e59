#pragma once

// A small reader of BIFF worksheet record streams: walks the records and decodes the cells,
// independently of the writer.

#include <cstdint>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

struct XlsRecord {
  unsigned Number = 0;
  std::string Data;
};

struct XlsCell {
  enum Kind { Label, Number, Blank } Type = Blank;
  std::string Text;
  double Value = 0;
  unsigned Style = 0;
};

inline unsigned XlsU16(const std::string& s, size_t at) {
  return static_cast<unsigned char>(s.at(at)) | static_cast<unsigned char>(s.at(at + 1)) << 8;
}

inline std::vector<XlsRecord> XlsRecords(const std::string& bytes) {
  std::vector<XlsRecord> records;
  size_t at = 0;
  while (at < bytes.size()) {
    if (bytes.size() - at < 4) throw std::runtime_error("truncated record header");
    const unsigned number = XlsU16(bytes, at), length = XlsU16(bytes, at + 2);
    if (bytes.size() - at - 4 < length) throw std::runtime_error("truncated record");
    records.push_back({number, bytes.substr(at + 4, length)});
    at += 4 + length;
  }
  return records;
}

// Cells by (row, column); throws on an unknown record or a malformed cell.
inline std::map<std::pair<unsigned, unsigned>, XlsCell> XlsCells(const std::string& bytes) {
  std::map<std::pair<unsigned, unsigned>, XlsCell> cells;
  for (const XlsRecord& r : XlsRecords(bytes)) {
    if (r.Number == 0x0809 || r.Number == 0x000A) continue;
    XlsCell cell;
    const auto key = std::make_pair(XlsU16(r.Data, 0), XlsU16(r.Data, 2));
    cell.Style = XlsU16(r.Data, 4);
    if (r.Number == 0x0204) {
      cell.Type = XlsCell::Label;
      const unsigned n = XlsU16(r.Data, 6);
      if (r.Data.size() != 8 + n) throw std::runtime_error("bad label length");
      cell.Text = r.Data.substr(8);
    } else if (r.Number == 0x0203) {
      cell.Type = XlsCell::Number;
      uint64_t bits = 0;
      for (int i = 7; i >= 0; --i) bits = bits << 8 | static_cast<unsigned char>(r.Data.at(6 + i));
      std::memcpy(&cell.Value, &bits, 8);
    } else if (r.Number == 0x027E) {
      cell.Type = XlsCell::Number;
      uint32_t rk = 0;
      for (int i = 3; i >= 0; --i) rk = rk << 8 | static_cast<unsigned char>(r.Data.at(6 + i));
      if ((rk & 3) != 2) throw std::runtime_error("unexpected RK form");
      cell.Value = static_cast<int32_t>(rk) >> 2;
    } else if (r.Number == 0x0201) {
      cell.Type = XlsCell::Blank;
    } else {
      throw std::runtime_error("unknown record");
    }
    cells[key] = cell;
  }
  return cells;
}
