#include "print/PdfFont.h"

#include <QByteArray>
#include <QString>
#include <algorithm>

#include "print/PdfDocument.h"

namespace {

uint32_t ReadU16(const QByteArray& data, int at) {
  if (at < 0 || at + 2 > data.size()) return 0;
  return (static_cast<uint8_t>(data[at]) << 8) | static_cast<uint8_t>(data[at + 1]);
}
uint32_t ReadU32(const QByteArray& data, int at) {
  return (ReadU16(data, at) << 16) | ReadU16(data, at + 2);
}
int ReadS16(const QByteArray& data, int at) { return static_cast<int16_t>(ReadU16(data, at)); }
void PutU16(std::string& out, uint32_t value) {
  out += static_cast<char>((value >> 8) & 0xFF);
  out += static_cast<char>(value & 0xFF);
}
void PutU32(std::string& out, uint32_t value) {
  PutU16(out, value >> 16);
  PutU16(out, value & 0xFFFF);
}
void SetU16(QByteArray& data, int at, uint32_t value) {
  data[at] = static_cast<char>((value >> 8) & 0xFF);
  data[at + 1] = static_cast<char>(value & 0xFF);
}

uint32_t TableChecksum(const std::string& data) {
  uint32_t sum = 0;
  for (size_t i = 0; i < data.size(); i += 4) {
    uint32_t word = 0;
    for (size_t j = 0; j < 4; ++j) {
      word = (word << 8) | (i + j < data.size() ? static_cast<uint8_t>(data[i + j]) : 0);
    }
    sum += word;
  }
  return sum;
}

// The glyphs a composite glyph is made of.
std::vector<uint16_t> Components(const QByteArray& glyf, int start, int end) {
  std::vector<uint16_t> parts;
  if (end - start < 10 || ReadS16(glyf, start) >= 0) return parts;
  int at = start + 10;
  for (;;) {
    if (at + 4 > end) break;
    const uint32_t flags = ReadU16(glyf, at);
    parts.push_back(static_cast<uint16_t>(ReadU16(glyf, at + 2)));
    at += 4 + ((flags & 0x1) ? 4 : 2);
    if (flags & 0x8)
      at += 2;
    else if (flags & 0x40)
      at += 4;
    else if (flags & 0x80)
      at += 8;
    if (!(flags & 0x20)) break;
  }
  return parts;
}

std::string HexGlyph(uint32_t value) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "<";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
  return out + ">";
}

// A character as UTF-16 units in hexadecimal, for the character map.
std::string HexUtf16(char32_t c) {
  if (c < 0x10000) return HexGlyph(c);
  const char32_t v = c - 0x10000;
  std::string high = HexGlyph(0xD800 + (v >> 10)), low = HexGlyph(0xDC00 + (v & 0x3FF));
  return high.substr(0, 5) + low.substr(1);
}

// The face's PostScript name (entry 6 of its naming table), empty when it has none.
QString PostScriptName(const QRawFont& raw) {
  const QByteArray names = raw.fontTable("name");
  const int count = static_cast<int>(ReadU16(names, 2)),
            strings = static_cast<int>(ReadU16(names, 4));
  for (int i = 0; i < count; ++i) {
    const int record = 6 + 12 * i;
    const uint32_t platform = ReadU16(names, record), nameId = ReadU16(names, record + 6);
    const int length = static_cast<int>(ReadU16(names, record + 8));
    const int at = strings + static_cast<int>(ReadU16(names, record + 10));
    if (nameId != 6 || at + length > names.size()) continue;
    if (platform == 1) return QString::fromLatin1(names.constData() + at, length);
    if (platform == 3 || platform == 0) {
      QString name;
      for (int j = 0; j + 1 < length; j += 2)
        name += QChar(static_cast<char16_t>(ReadU16(names, at + j)));
      return name;
    }
  }
  return {};
}

// A PDF name for a face: its PostScript name, else its family and style; letters, digits and
// hyphens only.
std::string FontName(const QRawFont& raw) {
  std::string name;
  const QString style = raw.styleName();
  QString full = PostScriptName(raw);
  if (full.isEmpty()) {
    full = raw.familyName() + (style.isEmpty() || style == "Regular" ? "" : "-" + style);
  }
  for (QChar c : full) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') {
      name += static_cast<char>(c.unicode());
    }
  }
  return name.empty() ? "Font" : name;
}

}  // namespace

std::string TrueTypeSubset(const QRawFont& raw, std::vector<bool> keep) {
  QByteArray head = raw.fontTable("head");
  const QByteArray maxp = raw.fontTable("maxp"), loca = raw.fontTable("loca"),
                   glyf = raw.fontTable("glyf");
  if (head.size() < 54 || maxp.size() < 6 || loca.isEmpty() || glyf.isEmpty()) return {};
  const int glyphs = static_cast<int>(ReadU16(maxp, 4));
  const bool longOffsets = ReadS16(head, 50) == 1;
  const auto offset = [&](int glyph) -> int {
    const uint32_t at = longOffsets ? ReadU32(loca, glyph * 4) : ReadU16(loca, glyph * 2) * 2;
    return static_cast<int>(std::min<uint32_t>(at, static_cast<uint32_t>(glyf.size())));
  };
  keep.resize(glyphs, false);
  if (glyphs > 0) keep[0] = true;
  std::vector<uint16_t> pending;
  for (int g = 0; g < glyphs; ++g) {
    if (keep[g]) pending.push_back(static_cast<uint16_t>(g));
  }
  while (!pending.empty()) {
    const int g = pending.back();
    pending.pop_back();
    for (uint16_t part : Components(glyf, offset(g), offset(g + 1))) {
      if (part < glyphs && !keep[part]) {
        keep[part] = true;
        pending.push_back(part);
      }
    }
  }
  std::string newGlyf, newLoca;
  for (int g = 0; g < glyphs; ++g) {
    PutU32(newLoca, static_cast<uint32_t>(newGlyf.size()));
    const int start = offset(g), end = offset(g + 1);
    if (keep[g] && end > start) {
      newGlyf.append(glyf.constData() + start, end - start);
      while (newGlyf.size() % 4) newGlyf += '\0';
    }
  }
  PutU32(newLoca, static_cast<uint32_t>(newGlyf.size()));
  SetU16(head, 8, 0);
  SetU16(head, 10, 0);
  SetU16(head, 50, 1);

  // The tables in the order of their tags.
  const struct {
    const char* Tag;
    std::string Data;
  } tables[] = {
      {"cvt ", raw.fontTable("cvt ").toStdString()},
      {"fpgm", raw.fontTable("fpgm").toStdString()},
      {"glyf", newGlyf},
      {"head", head.toStdString()},
      {"hhea", raw.fontTable("hhea").toStdString()},
      {"hmtx", raw.fontTable("hmtx").toStdString()},
      {"loca", newLoca},
      {"maxp", maxp.toStdString()},
      {"prep", raw.fontTable("prep").toStdString()},
  };
  uint32_t count = 0;
  for (const auto& table : tables) count += table.Data.empty() ? 0 : 1;
  uint32_t power = 1, log = 0;
  while (power * 2 <= count) {
    power *= 2;
    ++log;
  }
  std::string out;
  PutU32(out, 0x00010000);
  PutU16(out, count);
  PutU16(out, power * 16);
  PutU16(out, log);
  PutU16(out, count * 16 - power * 16);
  std::string body;
  uint32_t at = 12 + 16 * count;
  for (const auto& table : tables) {
    if (table.Data.empty()) continue;
    out.append(table.Tag, 4);
    PutU32(out, TableChecksum(table.Data));
    PutU32(out, at + static_cast<uint32_t>(body.size()));
    PutU32(out, static_cast<uint32_t>(table.Data.size()));
    body += table.Data;
    while (body.size() % 4) body += '\0';
  }
  return out + body;
}

TPdfFont::TPdfFont(const QRawFont& raw, std::string resource, int id)
    : raw_(raw), resource_(std::move(resource)), id_(id) {
  unitsPerEm_ = std::max(1.0, raw_.unitsPerEm());
  raw_.setPixelSize(unitsPerEm_);
  const int glyphs = static_cast<int>(ReadU16(raw_.fontTable("maxp"), 4));
  embeddable_ =
      glyphs > 0 && !raw_.fontTable("glyf").isEmpty() && !raw_.fontTable("loca").isEmpty();
  used_.assign(glyphs, 0);
  advances_.assign(glyphs, -1);
  latinGlyphs_.assign(0x3000, -1);
}

uint16_t TPdfFont::Glyph(char32_t c) {
  if (c < latinGlyphs_.size() && latinGlyphs_[c] >= 0)
    return static_cast<uint16_t>(latinGlyphs_[c]);
  if (c >= latinGlyphs_.size()) {
    const auto found = otherGlyphs_.find(c);
    if (found != otherGlyphs_.end()) return found->second;
  }
  uint16_t glyph = 0;
  if (raw_.supportsCharacter(c)) {
    const QList<quint32> indexes = raw_.glyphIndexesForString(QString::fromUcs4(&c, 1));
    if (indexes.size() == 1 && indexes[0] < used_.size()) glyph = static_cast<uint16_t>(indexes[0]);
  }
  if (c < latinGlyphs_.size()) {
    latinGlyphs_[c] = glyph;
  } else {
    otherGlyphs_[c] = glyph;
  }
  return glyph;
}

double TPdfFont::Advance(uint16_t glyph) {
  if (glyph >= advances_.size()) return 0;
  if (advances_[glyph] < 0) {
    const QList<QPointF> advance =
        raw_.advancesForGlyphIndexes(QList<quint32>{glyph}, QRawFont::UseDesignMetrics);
    advances_[glyph] =
        static_cast<float>(advance.isEmpty() ? 0 : advance[0].x() * 1000 / unitsPerEm_);
  }
  return advances_[glyph];
}

void TPdfFont::Write(TPdfDocument& document) const {
  const int descendant = document.Reserve(), descriptor = document.Reserve(),
            file = document.Reserve(), map = document.Reserve();
  // A subset's name starts with six capitals that tell it from other subsets of the face.
  std::string tag;
  for (int n = id_, i = 0; i < 6; ++i, n /= 26) tag += static_cast<char>('A' + n % 26);
  const std::string name = tag + "+" + FontName(raw_);

  std::string widths = "[";
  std::string chars;
  int charCount = 0;
  std::string charMap =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
  const auto flushChars = [&] {
    if (charCount == 0) return;
    charMap += std::to_string(charCount) + " beginbfchar\n" + chars + "endbfchar\n";
    chars.clear();
    charCount = 0;
  };
  std::vector<bool> keep(used_.size(), false);
  for (size_t g = 0; g < used_.size(); ++g) {
    if (!(used_[g] & kUsed)) continue;
    keep[g] = true;
    widths += std::to_string(g) + " [";
    AppendPdfNumber(widths, advances_[g] < 0 ? 0 : advances_[g], 1);
    widths += "] ";
    chars += HexGlyph(static_cast<uint32_t>(g)) + " " + HexUtf16(used_[g] & ~kUsed) + "\n";
    if (++charCount == 100) flushChars();
  }
  flushChars();
  charMap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
  widths += "]";

  const QByteArray head = raw_.fontTable("head");
  const double scale = 1000 / unitsPerEm_;
  std::string box = "[";
  for (int at : {36, 38, 40, 42}) {
    AppendPdfNumber(box, ReadS16(head, at) * scale, 0);
    box += at == 42 ? "]" : " ";
  }
  std::string metrics;
  metrics += " /Ascent ";
  AppendPdfNumber(metrics, raw_.ascent() * scale, 0);
  metrics += " /Descent ";
  AppendPdfNumber(metrics, -raw_.descent() * scale, 0);
  metrics += " /CapHeight ";
  AppendPdfNumber(metrics, raw_.capHeight() * scale, 0);

  document.WriteObject(id_, "<< /Type /Font /Subtype /Type0 /BaseFont /" + name +
                                " /Encoding /Identity-H /DescendantFonts [" +
                                std::to_string(descendant) + " 0 R] /ToUnicode " +
                                std::to_string(map) + " 0 R >>");
  document.WriteObject(descendant, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
                                       " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) "
                                       "/Supplement 0 >> /FontDescriptor " +
                                       std::to_string(descriptor) +
                                       " 0 R /CIDToGIDMap /Identity /W " + widths + " >>");
  document.WriteObject(descriptor, "<< /Type /FontDescriptor /FontName /" + name +
                                       " /Flags 4 /FontBBox " + box + " /ItalicAngle 0" + metrics +
                                       " /StemV 80 /FontFile2 " + std::to_string(file) + " 0 R >>");
  const std::string subset = TrueTypeSubset(raw_, keep);
  document.WriteStream(file, "/Length1 " + std::to_string(subset.size()), subset, true);
  document.WriteStream(map, "", charMap, true);
}
