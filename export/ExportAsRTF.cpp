#include "export/DBGridEhImpExp.h"

namespace {

// Letter case folding of Windows-1252 for font name comparison.
unsigned char FoldCase(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c == 0x8A || c == 0x8C || c == 0x8E) return c + 16;
  if (c == 0x9F) return 0xFF;
  return c;
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

const char* AlignmentWord(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return "\\qr";
    case taCenter:
      return "\\qc";
    case taLeftJustify:
      break;
  }
  return "\\ql";
}

}  // namespace

// The walk registered a colour or font the tables written ahead do not hold.
struct TDBGridEhExportAsRTF::TablesMismatch {};

int TDBGridEhExportAsRTF::RegisterColor(platform::TColor color) {
  const platform::TColor rgb = platform::ColorToRGB(color);
  const Rgb entry{platform::ColorRed(rgb), platform::ColorGreen(rgb), platform::ColorBlue(rgb)};
  for (size_t i = 0; i < colors_.size(); ++i) {
    if (colors_[i] == entry) return static_cast<int>(i);
  }
  const size_t index = colors_.size();
  if (checking_ && (index >= writtenColors_.size() || !(writtenColors_[index] == entry))) {
    throw TablesMismatch();
  }
  colors_.push_back(entry);
  return static_cast<int>(index);
}

int TDBGridEhExportAsRTF::RegisterFont(const std::string& name) {
  for (size_t i = 0; i < fonts_.size(); ++i) {
    if (SameText(fonts_[i], name)) return static_cast<int>(i);
  }
  const size_t index = fonts_.size();
  if (checking_ && (index >= writtenFonts_.size() || writtenFonts_[index] != name)) {
    throw TablesMismatch();
  }
  fonts_.push_back(name);
  return static_cast<int>(index);
}

void TDBGridEhExportAsRTF::ResetRegistries() {
  colors_.clear();
  fonts_.clear();
  lastDefinition_.clear();
  styleCached_ = false;
  RegisterColor(platform::clBlack);
  RegisterColor(platform::clWhite);
  RegisterColor(platform::clBtnFace);
}

std::string TDBGridEhExportAsRTF::Header() const {
  std::string head = "{\\rtf0\\ansi\r\n{\\colortbl";
  for (const Rgb& c : colors_) {
    head += "\\red" + std::to_string(c.Red) + "\\green" + std::to_string(c.Green) + "\\blue" +
            std::to_string(c.Blue) + ";";
  }
  head += "}\r\n{\\fonttbl";
  for (size_t i = 0; i < fonts_.size(); ++i) {
    head += "\\f" + std::to_string(i) + "\\fnil " + fonts_[i] + ";";
  }
  head += "}\r\n";
  return head;
}

void TDBGridEhExportAsRTF::RenderToStream(TStream& stream, bool saveAll) {
  // Without cell hooks every data row registers what the first one does, so the tables can be
  // written ahead and the rows straight after them. A stream that cannot take bytes back, or
  // a walk that registers something unforeseen, takes the buffered road.
  const int64_t start = stream.Position();
  if (start >= 0 && !Grid()->HasCellHooks()) {
    direct_ = true;
    selection_ = saveAll ? TExportSelectionType::gstAll : Grid()->SelectionType();
    try {
      TDBGridEhExport::RenderToStream(stream, saveAll);
      direct_ = checking_ = false;
      return;
    } catch (const TablesMismatch&) {
      direct_ = checking_ = false;
      if (!stream.Truncate(start)) throw EWriteError();
    } catch (...) {
      direct_ = checking_ = false;
      // Nothing reaches `stream` when the walk fails.
      stream.Truncate(start);
      throw;
    }
  }
  ResetRegistries();
  TSpillStream body;
  TDBGridEhExport::RenderToStream(body, saveAll);
  SetStream(&stream);
  Write(Header());
  body.CopyTo(stream);
}

void TDBGridEhExportAsRTF::OpenDocument() {
  if (!direct_) return;
  // Registers what a title row, one data row and the footer rows use, writing nothing.
  class NullStream : public TStream {
   public:
    void Write(const void*, size_t) override {}
  } null;
  TStream& out = Stream();
  SetStream(&null);
  ResetRegistries();
  try {
    const std::vector<int>& columns = ExportedColumns();
    const bool rowsOnly = selection_ == TExportSelectionType::gstNon;
    if (!rowsOnly && Grid()->ShowsTitles()) EmitTitleRow(columns);
    EmitDataRow(columns);
    if (!rowsOnly) {
      for (int r = 0; r < Grid()->FooterRowCount(); ++r) EmitFooterRow(columns, r);
    }
  } catch (...) {
    SetStream(&out);
    throw TablesMismatch();
  }
  SetStream(&out);
  Write(Header());
  writtenColors_ = colors_;
  writtenFonts_ = fonts_;
  ResetRegistries();
  checking_ = true;
}

void TDBGridEhExportAsRTF::EmitRowDefinition(const std::vector<int>& columns,
                                             const std::vector<platform::TColor>& colors) {
  if (!lastDefinition_.empty() && columns == lastColumns_ && colors == lastColors_) {
    return Write(lastDefinition_);
  }
  std::string& out = lastDefinition_;
  out = "\\trowd\\trgaph40\r\n";
  const double dpi = Grid()->PixelsPerInch();
  long long edge = 0;
  for (size_t i = 0; i < columns.size(); ++i) {
    edge += static_cast<long long>(Grid()->ColumnWidth(columns[i]) / dpi * 1440);
    out +=
        "\\clbrdrl\\brdrs\\brdrcf0\r\n"
        "\\clbrdrt\\brdrs\\brdrcf0\r\n"
        "\\clbrdrb\\brdrs\\brdrcf0\r\n"
        "\\clbrdrr\\brdrs\\brdrcf0\r\n"
        "\\clshdng10000\\clcfpat";
    out += std::to_string(RegisterColor(colors[i]));
    out += "\\cellx";
    out += std::to_string(edge);
    out += "\r\n";
  }
  out += "{\\trrh0\r\n";
  lastColumns_ = columns;
  lastColors_ = colors;
  Write(out);
}

void TDBGridEhExportAsRTF::AppendStyle(std::string& out, const platform::TFontSpec& font,
                                       platform::TColor background) {
  // Neighbouring cells mostly share font and background: their control words are kept.
  if (!styleCached_ || background != cachedBackground_ || !(font == cachedFont_)) {
    styleCached_ = false;
    std::string& style = cachedStyle_;
    style = "\\fs";
    style += std::to_string(font.Size * 2);
    if (font.Bold) style += "\\b";
    if (font.Italic) style += "\\i";
    if (font.StrikeOut) style += "\\strike";
    if (font.Underline) style += "\\ul";
    style += "\\f";
    style += std::to_string(RegisterFont(font.Name));
    style += "\\cf";
    style += std::to_string(RegisterColor(font.Color));
    style += "\\cb";
    style += std::to_string(RegisterColor(background));
    style += ' ';
    cachedFont_ = font;
    cachedBackground_ = background;
    styleCached_ = true;
  }
  out += cachedStyle_;
}

void TDBGridEhExportAsRTF::EmitCell(TAlignment alignment, const platform::TFontSpec& font,
                                    const std::string& text, platform::TColor background) {
  std::string& out = scratch_;
  out = "\\pard\\intbl{";
  out += AlignmentWord(alignment);
  out += Grid()->Flat() ? "\\sb12\\sa12" : "\\sb24\\sa24";
  AppendStyle(out, font, background);
  for (char c : text) {
    if (c == '\\' || c == '{' || c == '}') out += '\\';
    out += c;
  }
  out += "\\cell}\r\n";
  Write(out);
}

void TDBGridEhExportAsRTF::EmitRowEnd() { Write("\\pard\\intbl\\row}\r\n"); }

void TDBGridEhExportAsRTF::EmitTitleRow(const std::vector<int>& columns) {
  std::vector<platform::TColor> colors;
  for (int column : columns) colors.push_back(Grid()->TitleColor(column));
  EmitRowDefinition(columns, colors);
  for (int column : columns) {
    EmitCell(Grid()->TitleAlignment(column), Grid()->TitleFont(column),
             Grid()->TitleCaption(column), Grid()->TitleColor(column));
  }
  EmitRowEnd();
}

void TDBGridEhExportAsRTF::EmitDataRow(const std::vector<int>& columns) {
  std::vector<platform::TColor> colors;
  colors.reserve(columns.size());
  for (int column : columns) colors.push_back(Grid()->CellHookColor(column));
  EmitRowDefinition(columns, colors);
  TDBGridEhExport::EmitDataRow(columns);
  EmitRowEnd();
}

void TDBGridEhExportAsRTF::EmitDataCell(int, const TExportCellParams& params) {
  EmitCell(params.Alignment, params.Font, params.Text, params.Background);
}

void TDBGridEhExportAsRTF::EmitFooterRow(const std::vector<int>& columns, int footerRow) {
  std::vector<platform::TColor> colors;
  for (size_t i = 0; i < columns.size(); ++i) {
    const TExportFooter footer = Grid()->Footer(columns[i], footerRow);
    platform::TFontSpec font = footer.Font;
    platform::TColor background = footer.Color;
    TAlignment alignment = footer.Alignment;
    std::string text = FooterCellText(static_cast<int>(i), footerRow, columns[i]);
    Grid()->GetFooterParams(columns[i], footerRow, font, background, alignment, text);
    colors.push_back(background);
  }
  EmitRowDefinition(columns, colors);
  TDBGridEhExport::EmitFooterRow(columns, footerRow);
  EmitRowEnd();
}

void TDBGridEhExportAsRTF::EmitFooterCell(int, int, int, const platform::TFontSpec& font,
                                          platform::TColor background, TAlignment alignment,
                                          const std::string& text) {
  EmitCell(alignment, font, text, background);
}

void TDBGridEhExportAsRTF::CloseDocument() {
  // Tables written ahead must be exactly the ones the walk built.
  if (checking_ &&
      (colors_.size() != writtenColors_.size() || fonts_.size() != writtenFonts_.size())) {
    throw TablesMismatch();
  }
  Write("}");
}
