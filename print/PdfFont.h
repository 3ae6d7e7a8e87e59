#pragma once

// A font of a PDF written by TPdfDocument: the glyphs a document shows of one font file,
// embedded as a subset (TrueType outlines) with its widths and the characters each glyph
// stands for, so that text is drawn in the same face and reads back as text.

#include <QRawFont>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class TPdfDocument;

class TPdfFont {
 public:
  // `raw` is the font file's face; `resource` names the font in page resources ("F1") and
  // `id` is the object the font is written as.
  TPdfFont(const QRawFont& raw, std::string resource, int id);

  const std::string& Resource() const { return resource_; }
  int Id() const { return id_; }
  // Whether the font file's outlines can be embedded (TrueType outlines); the glyphs of a font
  // that cannot are drawn as shapes instead.
  bool Embeddable() const { return embeddable_; }
  const QRawFont& Raw() const { return raw_; }

  // The glyph of character `c`, 0 when the font has none.
  uint16_t Glyph(char32_t c);
  // The advance of `glyph` in thousandths of the font size.
  double Advance(uint16_t glyph);
  // Records that `glyph` is shown for `c`: its outline, width and character go into the file.
  void Use(uint16_t glyph, char32_t c) {
    if (glyph < used_.size() && !(used_[glyph] & kUsed)) used_[glyph] = kUsed | c;
  }

  // Writes the font's objects (the font, its descendant, descriptor, file and character map).
  void Write(TPdfDocument& document) const;

 private:
  static constexpr uint32_t kUsed = 0x80000000u;

  QRawFont raw_;
  std::string resource_;
  int id_;
  bool embeddable_ = false;
  double unitsPerEm_ = 1000;
  std::vector<uint32_t> used_;        // per glyph: kUsed | its character
  std::vector<float> advances_;       // per glyph, thousandths of an em; < 0 until measured
  std::vector<int32_t> latinGlyphs_;  // per character below 0x3000; -1 until looked up
  std::unordered_map<char32_t, uint16_t> otherGlyphs_;
};

// The subset of the TrueType face `raw` holding the glyphs marked in `keep` (and the glyphs
// they are composed of), every other glyph left empty; empty when the face has no TrueType
// outlines.
std::string TrueTypeSubset(const QRawFont& raw, std::vector<bool> keep);
