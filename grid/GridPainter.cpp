// Cell painting, grid lines and tooltips of the report grid.
#include "grid/GridPainter.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "grid/DBGridEh.h"
#include "grid/GridDataLink.h"
#include "grid/GridGlyphs.h"
#include "platform/Cp1252.h"

using platform::TColor;
using platform::TFontSpec;
using platform::ToQColor;

TColor TintColor(TColor base, TColor glass, bool darken) {
  TColor b = platform::ColorToRGB(base);
  TColor g = platform::ColorToRGB(glass);
  auto channel = [darken](int bc, int gc) {
    double x1 = bc + (gc - bc) * 0.5;
    double x2 = x1 + (225 - x1) * 0.6;
    double x3 = darken ? x2 - (122 - x2) * 0.25 : x2;
    double r = std::nearbyint(x3);  // the default rounding mode: halves to even
    return static_cast<uint8_t>(std::clamp(r, 0.0, 255.0));
  };
  return platform::MakeColor(channel(platform::ColorRed(b), platform::ColorRed(g)),
                             channel(platform::ColorGreen(b), platform::ColorGreen(g)),
                             channel(platform::ColorBlue(b), platform::ColorBlue(g)));
}

namespace {

int QtAlignment(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return Qt::AlignRight;
    case taCenter:
      return Qt::AlignHCenter;
    case taLeftJustify:
      break;
  }
  return Qt::AlignLeft;
}

// Draws one line of cell text in `rect` with the alignment, cut with "..." when asked.
void DrawCellText(QPainter& p, const QRect& rect, const std::string& text, const TFontSpec& font,
                  TColor color, TAlignment alignment, bool endEllipsis, TTextLayout layout) {
  if (text.empty() || rect.width() <= 0) return;
  QFont qfont = platform::ToQFont(font);
  p.setFont(qfont);
  p.setPen(ToQColor(color));
  QString s = platform::ToQString(text);
  if (endEllipsis) {
    QFontMetrics metrics(qfont);
    s = metrics.elidedText(s, Qt::ElideRight, rect.width());
  }
  int vertical =
      layout == tlCenter ? Qt::AlignVCenter : (layout == tlBottom ? Qt::AlignBottom : Qt::AlignTop);
  p.save();
  p.setClipRect(rect, Qt::IntersectClip);
  p.drawText(rect, QtAlignment(alignment) | vertical | Qt::TextSingleLine | Qt::TextExpandTabs, s);
  p.restore();
}

void DrawHLine(QPainter& p, int x1, int x2, int y, TColor color) {
  if (x2 < x1) return;
  p.fillRect(QRect(x1, y, x2 - x1 + 1, 1), ToQColor(color));
}

void DrawVLine(QPainter& p, int x, int y1, int y2, TColor color) {
  if (y2 < y1) return;
  p.fillRect(QRect(x, y1, 1, y2 - y1 + 1), ToQColor(color));
}

}  // namespace

void TDBGridEh::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(viewport());
  PaintGrid(painter);
}

void TDBGridEh::PaintGrid(QPainter& p) {
  const QRect client = viewport()->rect();
  p.fillRect(client, ToQColor(color_));
  const int titles = TitleRowCount();
  const bool active = DataLinkActive();
  const int savedActive = active ? dataLink_->ActiveRecord() : 0;
  const int shown = active ? dataLink_->RecordCount() : 0;
  currentPaintRow_ = savedActive;
  currentPaintRecNo_ = active ? sumList_->RecNo() : -1;
  for (int row = 0; row < GridRowCount(); ++row) {
    TCellAreaEh area = GetCellType(IndicatorColCount() ? 0 : 1, row);
    int dataRow = row - titles;
    if (area.Vert == vcData && active && dataRow < shown) dataLink_->SetActiveRecord(dataRow);
    if (IndicatorColCount()) PaintIndicatorCell(p, row, CellRect(0, row));
    for (int i = leftCol_; i < visibleColumns_.Count(); ++i) {
      QRect rect = CellRect(GridColOfVisible(i), row);
      if (rect.left() >= client.width()) break;
      switch (area.Vert) {
        case vcTitle:
          PaintTitleCell(p, i, rect);
          break;
        case vcData:
          PaintDataCell(p, dataRow, i, rect);
          break;
        case vcFooter:
          PaintFooterCell(p, row - titles - visibleDataRows_, i, rect);
          break;
        case vcAboveTitle:
          break;
      }
    }
  }
  if (active) dataLink_->SetActiveRecord(savedActive);
  PaintLines(p);
  if (mouseMode_ == MouseMode::Sizing && sizingX_ >= 0) {
    // The sizing line: inverted dotted pixels across the grid's height.
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(Qt::white, 1, Qt::DotLine);
    p.setPen(pen);
    p.drawLine(sizingX_, 0, sizingX_, client.height());
    p.restore();
  }
  if (mouseMode_ == MouseMode::Moving && moveTarget_ >= 0 && moveTarget_ != pressColumn_) {
    // The red insertion marker: a 1-pixel line with wedge ends 7, 5 and 3 pixels wide.
    int x = moveTarget_ > pressColumn_
                ? ColumnLeftX(moveTarget_) + visibleColumns_[moveTarget_]->Width()
                : ColumnLeftX(moveTarget_) - 1;
    int bottom = DataAreaBottom();
    p.fillRect(QRect(x, 0, 1, bottom), Qt::red);
    for (int k = 0; k < 3; ++k) {
      int half = 3 - k;
      p.fillRect(QRect(x - half, k, 2 * half + 1, 1), Qt::red);
      p.fillRect(QRect(x - half, bottom - 1 - k, 2 * half + 1, 1), Qt::red);
    }
  }
}

bool TDBGridEh::HighlightDataCell(int dataRow, int visibleIndex, bool cellSelected) const {
  if (cellSelected) return true;
  const bool focusRule =
      GridHasFocus() && ((optionsEh_ & dghHighlightFocus) || (options_ & dgAlwaysShowSelection));
  const int currentRow = currentPaintRow_;
  if (dataRow == currentRow && visibleIndex == selectedIndex_ && focusRule) return true;
  if ((optionsEh_ & dghRowHighlight) && selection_.SelectionType() == gstNon &&
      dataRow == currentRow && visibleIndex != selectedIndex_ && focusRule) {
    return true;
  }
  if ((options_ & dgRowSelect) && dataRow == currentRow) return true;
  return false;
}

void TDBGridEh::PaintDataCell(QPainter& p, int dataRow, int visibleIndex, const QRect& rect) {
  TColumnEh* column = visibleColumns_[visibleIndex];
  if (!DataLinkActive() || dataRow >= dataLink_->RecordCount()) {
    p.fillRect(rect, ToQColor(column->Color()));
    return;
  }
  // The painting loop made this row's record the active one; the current row is the one the
  // link keeps as active outside painting.
  const int currentRow = currentPaintRow_;
  TColCellParamsEh params;
  params.Col = GridColOfVisible(visibleIndex);
  params.Row = dataRow + TitleRowCount();
  params.CellRect = rect;
  const bool isCurrent = dataRow == currentRow && visibleIndex == selectedIndex_;
  const bool focused = GridHasFocus();
  if (isCurrent) params.State |= gdSelected;
  if (isCurrent && focused) params.State |= gdFocused;
  params.Font = column->Font();
  params.Background = column->Color();
  if (column->Color() == color_ && OddRowColor() != EvenRowColor()) {
    int recNo = currentPaintRecNo_ < 0 ? -1 : currentPaintRecNo_ - currentRow + dataRow;
    params.Background = (recNo >= 0 && recNo % 2 == 1) ? OddRowColor() : EvenRowColor();
  }
  params.Alignment = column->Alignment();
  params.Text = ColumnDisplayText(*column);
  if (OnGetCellParams)
    OnGetCellParams(*this, *column, params.Font, params.Background, params.State);
  column->GetColCellParams(false, params);

  TDBGridEhSelectionType type = selection_.SelectionType();
  bool cellSelected = false;
  if (type == gstAll) {
    cellSelected = true;
  } else if (type != gstNon) {
    TBookmark bookmark = (type == gstColumns) ? TBookmark{} : DataSet()->GetBookmark();
    cellSelected = selection_.IsCellSelected(column->Index(), bookmark);
  }
  TColor textColor = params.Font.Color;
  // Highlight: the Windows-style selection colours, tinted over the cell's own background.
  if (HighlightDataCell(dataRow, visibleIndex, cellSelected)) {
    params.State |= gdSelected;
    if (focused && isCurrent) {
      params.Background = platform::clHighlight;
      textColor = platform::clHighlightText;
    } else if (focused) {
      params.Background = TintColor(params.Background, platform::clHighlight, true);
    } else if (isCurrent && (options_ & dgAlwaysShowSelection)) {
      params.Background = platform::clBtnShadow;
      textColor = platform::clHighlightText;
    } else {
      params.Background = TintColor(params.Background, platform::clBtnShadow, false);
    }
  }
  p.fillRect(rect, ToQColor(params.Background));
  const int margin = flat_ ? 1 : 2;
  QRect textRect = rect.adjusted(2, margin, -2, -margin);
  DrawCellText(p, textRect, params.Text, params.Font, textColor, params.Alignment,
               column->EndEllipsis(), column->Layout());
  if (incSearchActive_ && isCurrent && focused) {
    const TTextLayout layout = column->Layout();
    PaintIncSearchText(p, textRect, params.Text, params.Font, params.Alignment,
                       layout == tlCenter   ? Qt::AlignVCenter
                       : layout == tlBottom ? Qt::AlignBottom
                                            : Qt::AlignTop);
  }
  if (OnDrawColumnCell) OnDrawColumnCell(*this, p, rect, params.Col, *column, params.State);
  if (focused && isCurrent && !(options_ & dgRowSelect) && !inLayout_) {
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(QPen(Qt::white, 1, Qt::DotLine));
    p.drawRect(rect.adjusted(0, 0, -1, -1));
    p.restore();
  }
}

void TDBGridEh::PaintFixedFrame(QPainter& p, const QRect& rect, TColor background, bool down) {
  p.fillRect(rect, ToQColor(background));
  if (!(optionsEh_ & dghFixed3D)) return;
  const QColor light = down ? ToQColor(platform::clBtnShadow) : ToQColor(platform::clBtnHighlight);
  if (flat_) {
    // The bottom and right edges in the background colour, a raised (or sunken) inner edge on
    // the left and the top.
    p.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), ToQColor(background));
    p.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), ToQColor(background));
    p.fillRect(QRect(rect.left(), rect.top(), rect.width() - 1, 1), light);
    p.fillRect(QRect(rect.left(), rect.top(), 1, rect.height() - 1), light);
  } else {
    const QColor dark = down ? ToQColor(platform::clBtnHighlight) : ToQColor(platform::clBtnShadow);
    p.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), light);
    p.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), light);
    p.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), dark);
    p.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), dark);
  }
}

void TDBGridEh::PaintTitleCell(QPainter& p, int visibleIndex, const QRect& rect) {
  TColumnEh* column = visibleColumns_[visibleIndex];
  TColumnTitleEh& title = column->Title();
  const bool selected = selection_.IsColumnFixedSelected(column->Index());
  const bool pressed =
      mouseMode_ == MouseMode::TitlePress && pressDown_ && pressColumn_ == visibleIndex;
  TColor background = selected ? kSelectedFixedColor : title.Color();
  TFontSpec font = title.Font();
  TColor textColor = selected ? platform::clWhite : font.Color;
  PaintFixedFrame(p, rect, background, pressed || selected);
  QRect content = rect.adjusted(1, 1, -1, -1);
  QRect textRect = content.adjusted(1, 0, -1, 0);
  if (pressed) textRect.translate(1, 1);

  if (title.SortMarker() != smNoneEh) {
    int limit = textRect.right() - 16;
    QString number;
    int numberWidth = 0;
    QFont numberFont("Arial");
    numberFont.setPixelSize(kSortMarkerHeight - 1);
    if (sortMarkedColumns_.Count() >= 2 && title.SortIndex() > 0) {
      number = QString::number(title.SortIndex());
      numberWidth = QFontMetrics(numberFont).horizontalAdvance(number);
    }
    limit -= numberWidth;
    bool showGlyph = true;
    if (limit < textRect.left()) {
      // Too narrow: drop the glyph first, then the number as well.
      limit += 14 - numberWidth;
      showGlyph = false;
      if (limit < textRect.left()) {
        limit += numberWidth + 2;
        number.clear();
      }
    }
    int glyphRight = content.right() - 2 - numberWidth;
    int glyphTop = content.top() + (content.height() - kSortMarkerHeight) / 2;
    if (showGlyph) {
      DrawSortMarkerGlyph(p, title.SortMarker(),
                          QPoint(glyphRight - kSortMarkerWidth + 1, glyphTop));
    }
    if (!number.isEmpty()) {
      p.save();
      p.setFont(numberFont);
      p.setPen(selected ? Qt::white : ToQColor(platform::clWindowText));
      p.drawText(QRect(glyphRight + 1, glyphTop, numberWidth + 1, kSortMarkerHeight),
                 Qt::AlignLeft | Qt::AlignVCenter, number);
      p.restore();
    }
    textRect.setRight(std::max(limit, textRect.left() - 1));
  }
  DrawCellText(p, textRect, title.Caption(), font, textColor, title.Alignment(),
               title.EndEllipsis(), tlTop);
}

void TDBGridEh::PaintIndicatorCell(QPainter& p, int row, const QRect& rect) {
  TCellAreaEh area = GetCellType(0, row);
  const bool all = selection_.SelectionType() == gstAll;
  if (area.Vert == vcTitle || area.Vert == vcFooter) {
    PaintFixedFrame(p, rect, all ? kSelectedFixedColor : fixedColor_, all);
    return;
  }
  const int dataRow = row - TitleRowCount();
  const bool hasRecord = DataLinkActive() && dataRow < dataLink_->RecordCount();
  bool selected = all;
  if (hasRecord && (options_ & dgMultiSelect) && selection_.SelectionType() == gstRecordBookmarks) {
    selected = selection_.Rows().Contains(DataSet()->GetBookmark());
  }
  PaintFixedFrame(p, rect, selected ? kSelectedFixedColor : fixedColor_, selected);
  if (!hasRecord || dataRow != currentPaintRow_) return;
  int image = iiArrow;
  switch (DataSet()->State()) {
    case dsEdit:
      image = iiEdit;
      break;
    case dsInsert:
      image = iiInsert;
      break;
    default:
      if (incSearchActive_) {
        image = iiSearchArrow;
      } else if ((options_ & dgMultiSelect) && selection_.SelectionType() == gstRecordBookmarks &&
          selection_.Rows().Contains(DataSet()->GetBookmark())) {
        image = iiArrowW;
      }
      break;
  }
  QRect glyphArea(rect.right() - 10, rect.top(), 11, rect.height());
  DrawIndicatorGlyph(p, image, glyphArea);
}

void TDBGridEh::PaintFooterCell(QPainter& p, int footerRow, int visibleIndex, const QRect& rect) {
  TColumnEh* column = visibleColumns_[visibleIndex];
  TColumnFooterEh& footer = column->GetFooter(footerRow);
  TFontSpec font = footer.Font();
  TColor background = footer.Color();
  TAlignment alignment = footer.Alignment();
  std::string text = FooterText(*column, footerRow);
  TGridDrawState state = gdFixed;
  if (OnGetFooterParams) {
    OnGetFooterParams(*this, column->Index(), footerRow, *column, font, background, alignment,
                      state, text);
  }
  TColor textColor = font.Color;
  if (selection_.IsColumnFixedSelected(column->Index())) {
    if (footerColor_ == fixedColor_) {
      background = kSelectedFixedColor;
      textColor = platform::clWhite;
    } else if (GridHasFocus()) {
      background = TintColor(background, platform::clHighlight, true);
    } else {
      background = TintColor(background, platform::clBtnShadow, false);
    }
  }
  if (optionsEh_ & dghFooter3D) {
    PaintFixedFrame(p, rect, background, false);
  } else {
    p.fillRect(rect, ToQColor(background));
  }
  const int margin = flat_ ? 1 : 2;
  DrawCellText(p, rect.adjusted(2, margin, -2, -margin), text, font, textColor, alignment,
               footer.EndEllipsis, tlTop);
  if (OnDrawFooterCell) OnDrawFooterCell(*this, p, rect, visibleIndex, footerRow, *column, state);
}

void TDBGridEh::PaintLines(QPainter& p) {
  const QRect client = viewport()->rect();
  const int line = LineWidth();
  const bool colLines = options_ & dgColLines;
  const bool rowLines = options_ & dgRowLines;
  const TColor dataLine =
      platform::ColorToRGB(color_) == platform::clSilver ? kFixedLineColor : kDataLineColor;
  const TColor fixedLine = kFixedLineColor;
  const TColor footerLine =
      ((optionsEh_ & dghFooter3D) || footerColor_ != platform::clWindow) ? fixedLine : dataLine;
  const int titles = TitleRowCount();
  const int dataTop = titles ? titleRowHeight_ + line : 0;
  const int shown = DataLinkActive() ? dataLink_->RecordCount() : 0;
  const int recordsBottom = dataTop + shown * (dataRowHeight_ + line) - 1;
  const int footerTop = FooterTop();
  const int footerLineY = footerRowCount_ > 0 ? footerTop - line : client.height();
  int right = IndicatorColCount() ? indicatorWidth_ : -1;
  for (int i = leftCol_; i < visibleColumns_.Count(); ++i) {
    int x = ColumnLeftX(i) + visibleColumns_[i]->Width();
    if (x - visibleColumns_[i]->Width() > client.width()) break;
    right = x;
  }
  right = std::min(right, client.width() - 1);
  const int dataLeft = IndicatorColCount() ? indicatorWidth_ + (colLines ? line : 0) : 0;

  // Horizontal lines: below the title row, below each shown record, above and between the
  // footer rows.
  if (titles) DrawHLine(p, 0, right, titleRowHeight_, fixedLine);
  if (rowLines) {
    for (int r = 0; r < shown; ++r) {
      int y = dataTop + r * (dataRowHeight_ + line) + dataRowHeight_;
      if (IndicatorColCount()) DrawHLine(p, 0, indicatorWidth_, y, fixedLine);
      DrawHLine(p, dataLeft, right, y, dataLine);
    }
  }
  if (footerRowCount_ > 0) {
    DrawHLine(p, 0, right, footerLineY, footerLine);
    for (int r = 0; r < footerRowCount_; ++r) {
      DrawHLine(p, 0, right, footerTop + r * (dataRowHeight_ + line) + dataRowHeight_, footerLine);
    }
  }
  if (!colLines) return;
  // Vertical lines: the indicator's in the fixed colour; each data column's through the title,
  // the shown records (or down to the footer with dghExtendVertLines) and the footer rows.
  if (IndicatorColCount()) DrawVLine(p, indicatorWidth_, 0, client.height() - 1, fixedLine);
  const int dataBottom = (optionsEh_ & dghExtendVertLines) ? footerLineY - 1 : recordsBottom;
  for (int i = leftCol_; i < visibleColumns_.Count(); ++i) {
    int x = ColumnLeftX(i) + visibleColumns_[i]->Width();
    if (x - visibleColumns_[i]->Width() > client.width()) break;
    if (titles) DrawVLine(p, x, 0, titleRowHeight_ - 1, fixedLine);
    DrawVLine(p, x, dataTop, dataBottom, dataLine);
    if (footerRowCount_ > 0) DrawVLine(p, x, footerTop, client.height() - 1, footerLine);
  }
}

// ---------------------------------------------------------------------------------------------
// Tooltips

bool TDBGridEh::CellHint(QPoint point, std::string& text, TFontSpec& font, QPoint& at) {
  if (mouseMode_ != MouseMode::None) return false;
  if (QApplication::queryKeyboardModifiers() & Qt::ControlModifier) return false;
  TGridCoord cell = MouseCoord(point);
  if (cell.X < IndicatorColCount() || cell.Y < 0) return false;
  const int index = VisibleOfGridCol(cell.X);
  TColumnEh* column = visibleColumns_[index];
  TCellAreaEh area = GetCellType(cell.X, cell.Y);
  QRect rect = CellRect(cell.X, cell.Y);
  TAlignment alignment = taLeftJustify;
  bool wrap = false;
  std::string hint;
  switch (area.Vert) {
    case vcData: {
      if (!column->ToolTips() || !DataLinkActive()) return false;
      int dataRow = cell.Y - TitleRowCount();
      if (dataRow >= dataLink_->RecordCount()) return false;
      int saved = dataLink_->ActiveRecord();
      dataLink_->SetActiveRecord(dataRow);
      TColCellParamsEh params;
      params.CellRect = rect;
      params.Col = cell.X;
      params.Row = cell.Y;
      try {
        CellParams(*column, params);
      } catch (...) {
        dataLink_->SetActiveRecord(saved);
        throw;
      }
      dataLink_->SetActiveRecord(saved);
      text = params.Text;
      font = params.Font;
      alignment = params.Alignment;
      wrap = column->WordWrap();
      break;
    }
    case vcTitle:
      if (!column->Title().ToolTips() && column->Title().Hint().empty()) return false;
      text = column->Title().Caption();
      font = column->Title().Font();
      alignment = column->Title().Alignment();
      hint = column->Title().Hint();
      break;
    case vcFooter: {
      int footerRow = cell.Y - TitleRowCount() - visibleDataRows_;
      const TColumnFooterEh& footer = column->GetFooter(footerRow);
      if (!footer.ToolTips) return false;
      text = FooterText(*column, footerRow);
      font = footer.Font();
      alignment = footer.Alignment();
      wrap = footer.WordWrap;
      break;
    }
    case vcAboveTitle:
      return false;
  }
  if (!hint.empty()) {
    text = hint;
    at = QPoint(rect.left() - 1, rect.bottom() + 2);
    return true;
  }
  if (text.empty()) return false;
  QFontMetrics metrics(platform::ToQFont(font));
  const QString qtext = platform::ToQString(text);
  const int textWidth = metrics.horizontalAdvance(qtext);
  const int spacing = flat_ ? 2 : 4;
  // The text is measured against the rectangle it is painted in (2 pixels in from each side),
  // the way painting decides on "...", so that every cut text has its hint.
  const bool fitsAcross = wrap ? textWidth <= rect.width() - 4
                               : metrics.elidedText(qtext, Qt::ElideRight, rect.width() - 4) == qtext;
  bool fits = fitsAcross && metrics.height() <= rect.height() - spacing + 1;
  const int fullRight = ColumnLeftX(index) + column->Width();
  const int visibleRight = std::min(fullRight, viewport()->width());
  if (fits && !(alignment == taRightJustify && fullRight - visibleRight > 2)) return false;
  const int dy = flat_ ? 2 : 1;
  switch (alignment) {
    case taLeftJustify:
      at = QPoint(rect.left() - 1, rect.top() - dy);
      break;
    case taRightJustify:
      at = QPoint(fullRight - textWidth - 6, rect.top() - dy);
      break;
    case taCenter:
      at = QPoint(ColumnLeftX(index) + (column->Width() - textWidth) / 2 - 3, rect.top() - dy);
      break;
  }
  if (area.Vert == vcData && OnDataHintShow) OnDataHintShow(*this, at, text, *column);
  return true;
}
