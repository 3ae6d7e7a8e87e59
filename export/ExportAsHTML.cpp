#include "export/DBGridEhImpExp.h"

std::string TDBGridEhExportAsHTML::HtmlColor(platform::TColor color) {
  if (color == platform::clNone) return "000000";
  const platform::TColor rgb = platform::ColorToRGB(color);
  static const char kDigits[] = "0123456789ABCDEF";
  const uint8_t parts[3] = {platform::ColorRed(rgb), platform::ColorGreen(rgb),
                            platform::ColorBlue(rgb)};
  std::string text;
  for (uint8_t part : parts) {
    text.push_back(kDigits[part >> 4]);
    text.push_back(kDigits[part & 0xF]);
  }
  return text;
}

const char* TDBGridEhExportAsHTML::AlignWord(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return "RIGHT";
    case taCenter:
      return "CENTER";
    case taLeftJustify:
      break;
  }
  return "LEFT";
}

namespace {

std::string FontOpen(const platform::TFontSpec& font) {
  std::string out = "<FONT STYLE=\"font-family: " + font.Name +
                    "; font-size: " + std::to_string(font.Size) + "pt; color: #" +
                    TDBGridEhExportAsHTML::HtmlColor(font.Color) + "\">";
  if (font.Bold) out += "<B>";
  if (font.Italic) out += "<I>";
  if (font.Underline) out += "<U>";
  if (font.StrikeOut) out += "<STRIKE>";
  return out;
}

// Closing tags in the order of the opening ones, not reversed.
std::string FontClose(const platform::TFontSpec& font) {
  std::string out;
  if (font.Bold) out += "</B>";
  if (font.Italic) out += "</I>";
  if (font.Underline) out += "</U>";
  if (font.StrikeOut) out += "</STRIKE>";
  out += "</FONT>";
  return out;
}

// "&", "<", ">" and the double quote as entities. Each entity ends in ";", so that a ";" of the
// text that follows one is read as text. An empty text is written as "&nbsp;".
void AppendEscaped(std::string& out, const std::string& text) {
  if (text.empty()) {
    out += "&nbsp;";
    return;
  }
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
}

}  // namespace

std::string TDBGridEhExportAsHTML::WrapInFont(const platform::TFontSpec& font,
                                              const std::string& text) {
  std::string out = FontOpen(font);
  AppendEscaped(out, text);
  out += FontClose(font);
  return out;
}

void TDBGridEhExportAsHTML::AppendWrapped(std::string& out, const platform::TFontSpec& font,
                                          const std::string& text) {
  if (!fontCached_ || !(font == cachedFont_)) {
    cachedFont_ = font;
    fontOpen_ = FontOpen(font);
    fontClose_ = FontClose(font);
    fontCached_ = true;
  }
  out += fontOpen_;
  AppendEscaped(out, text);
  out += fontClose_;
}

void TDBGridEhExportAsHTML::OpenDocument() {
  const IExportGrid& grid = *Grid();
  std::string border;
  if (!grid.HasColLines() && !grid.HasRowLines()) {
    border = "BORDER=0 CELLSPACING=0 CELLPADDING=";
  } else if (grid.Ctl3D()) {
    border = "BORDER=1 CELLSPACING=0 CELLPADDING=";
  } else {
    border = "BORDER=0 CELLSPACING=1 CELLPADDING=";
  }
  Write("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n<html>\r\n<head>\r\n<title>\r\n");
  Write(grid.GridName());
  Write("\r\n</title>\r\n</head>\r\n<body>\r\n");
  Write("<table " + border + (grid.Flat() ? "1" : "2") + " BGCOLOR=#" +
        HtmlColor(grid.FixedColor()) + ">\r\n\r\n");
}

void TDBGridEhExportAsHTML::CloseDocument() {
  Write("</table>\r\n</body>\r\n</html>\r\n");
}

void TDBGridEhExportAsHTML::EmitTitleRow(const std::vector<int>& columns) {
  Write("<TR>\r\n");
  for (int column : columns) {
    Write("  <TD WIDTH=" + std::to_string(Grid()->ColumnWidth(column)) + " ALIGN=\"" +
          AlignWord(Grid()->TitleAlignment(column)) + "\">" +
          WrapInFont(Grid()->TitleFont(column), Grid()->TitleCaption(column)) + "</TD>\r\n");
  }
  Write("</TR>\r\n");
}

void TDBGridEhExportAsHTML::EmitDataRow(const std::vector<int>& columns) {
  Write("<TR>\r\n");
  TDBGridEhExport::EmitDataRow(columns);
  Write("</TR>\r\n");
}

void TDBGridEhExportAsHTML::EmitFooterRow(const std::vector<int>& columns, int footerRow) {
  Write("<TR>\r\n");
  TDBGridEhExport::EmitFooterRow(columns, footerRow);
  Write("</TR>\r\n");
}

void TDBGridEhExportAsHTML::EmitCell(int column, TAlignment alignment,
                                     platform::TColor background,
                                     const platform::TFontSpec& font, const std::string& text) {
  std::string& out = line_;
  out = "  <TD WIDTH=";
  out += std::to_string(Grid()->ColumnWidth(column));
  out += " ALIGN=\"";
  out += AlignWord(alignment);
  out += "\" BGCOLOR=#";
  out += HtmlColor(background);
  out += ">";
  AppendWrapped(out, font, text);
  out += "</TD>\r\n";
  Write(out);
}

void TDBGridEhExportAsHTML::EmitDataCell(int column, const TExportCellParams& params) {
  EmitCell(column, params.Alignment, params.Background, params.Font, params.Text);
}

void TDBGridEhExportAsHTML::EmitFooterCell(int, int footerRow, int column,
                                           const platform::TFontSpec& font,
                                           platform::TColor background, TAlignment,
                                           const std::string& text) {
  // The footer's own alignment: a hook's change of it does not reach the page.
  EmitCell(column, Grid()->Footer(column, footerRow).Alignment, background, font, text);
}
