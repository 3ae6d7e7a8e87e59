#include "print/PdfPainter.h"

#include <QDateTime>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>
#include <climits>
#include <cmath>
#include <exception>
#include <string>
#include <vector>

#include "print/PdfDocument.h"
#include "print/PdfFont.h"
#include "print/PrintUnits.h"

class TPdfPaintEngine : public QPaintEngine {
 public:
  TPdfPaintEngine(TStream& out, const QPageLayout& layout, const QString& title,
                  const QString& creator)
      : QPaintEngine(AllFeatures), document_(out), title_(title), creator_(creator) {
    catalog_ = document_.Reserve();
    pagesId_ = document_.Reserve();
    resources_ = document_.Reserve();
    const QRectF full = layout.fullRect(QPageLayout::Point);
    const QRectF paint = layout.paintRect(QPageLayout::Point);
    mediaBox_ = "[0 0 ";
    AppendPdfNumber(mediaBox_, full.width());
    mediaBox_ += " ";
    AppendPdfNumber(mediaBox_, full.height());
    mediaBox_ += "]";
    // Dots to points, the y axis downwards from the top left corner inside the margins.
    const double k = 72 / kDotsPerInch;
    base_.clear();
    for (double v : {k, 0.0, 0.0, -k, paint.left(), full.height() - paint.top()}) {
      AppendPdfNumber(base_, v, 6);
      base_ += ' ';
    }
    base_ += "cm\nq\n";
  }

  Type type() const override { return User; }

  bool begin(QPaintDevice* /*device*/) override {
    content_ = base_;
    ResetCaches();
    clips_.clear();
    clipEnabled_ = false;
    transform_ = QTransform();
    return true;
  }
  bool end() override {
    content_ += "Q\n";
    return true;
  }

  void updateState(const QPaintEngineState& state) override {
    Guard([&] {
      const DirtyFlags flags = state.state();
      if (flags & DirtyTransform) transform_ = state.transform();
      if (flags & DirtyPen) pen_ = state.pen();
      if (flags & DirtyBrush) brush_ = state.brush();
      if (flags & DirtyFont) font_ = state.font();
      bool clipChanged = false;
      if (flags & (DirtyClipPath | DirtyClipRegion)) {
        QPainterPath path;
        if (flags & DirtyClipPath) {
          path = state.clipPath();
        } else {
          path.addRegion(state.clipRegion());
        }
        switch (state.clipOperation()) {
          case Qt::NoClip:
            clips_.clear();
            break;
          case Qt::ReplaceClip:
            clips_.assign(1, transform_.map(path));
            break;
          case Qt::IntersectClip:
            clips_.push_back(transform_.map(path));
            break;
        }
        clipEnabled_ = state.clipOperation() != Qt::NoClip;
        clipChanged = true;
      }
      if (flags & DirtyClipEnabled) {
        clipEnabled_ = state.isClipEnabled();
        clipChanged = true;
      }
      if (clipChanged) ApplyClip();
    });
  }

  void drawRects(const QRectF* rects, int count) override {
    Guard([&] {
      for (int i = 0; i < count; ++i) {
        if (transform_.type() <= QTransform::TxScale) {
          const QRectF r = transform_.mapRect(rects[i]);
          Number(r.left());
          Number(r.top());
          Number(r.width());
          Number(r.height());
          content_ += "re\n";
          Paint(true, true, false);
        } else {
          QPainterPath path;
          path.addRect(rects[i]);
          drawPath(path);
        }
      }
    });
  }

  void drawLines(const QLineF* lines, int count) override {
    Guard([&] {
      if (pen_.style() == Qt::NoPen) return;
      SetStroke();
      for (int i = 0; i < count; ++i) {
        Point(transform_.map(lines[i].p1()));
        content_ += "m ";
        Point(transform_.map(lines[i].p2()));
        content_ += "l S\n";
      }
    });
  }

  void drawPath(const QPainterPath& path) override {
    Guard([&] {
      if (!PathOps(transform_.map(path))) return;
      Paint(true, true, path.fillRule() == Qt::OddEvenFill);
    });
  }

  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
    Guard([&] {
      if (count < 2) return;
      QPainterPath path(points[0]);
      for (int i = 1; i < count; ++i) path.lineTo(points[i]);
      if (mode != PolylineMode) path.closeSubpath();
      if (!PathOps(transform_.map(path))) return;
      Paint(mode != PolylineMode, true, mode == OddEvenMode);
    });
  }

  // The report's pages hold no images.
  void drawPixmap(const QRectF& /*r*/, const QPixmap& /*pm*/, const QRectF& /*sr*/) override {}

  void drawTextItem(const QPointF& p, const QTextItem& item) override {
    Guard([&] {
      const QString text = item.text();
      const QFont font = item.font();
      if (TextRun(p, text, font)) return;
      QTextLayout layout(text, font, paintDevice());
      layout.beginLayout();
      QTextLine line = layout.createLine();
      layout.endLayout();
      if (!line.isValid()) return;
      const QPointF origin = p - QPointF(0, line.ascent());
      for (const QGlyphRun& run : layout.glyphRuns()) GlyphRun(origin, run, text);
    });
  }

  // See DrawPdfTextRun; the painter's state has been handed over.
  bool TextRun(const QPointF& origin, const QString& text) { return TextRun(origin, text, font_); }

  void WritePage() {
    if (failure_) std::rethrow_exception(failure_);
    const int contents = document_.Reserve(), page = document_.Reserve();
    document_.WriteStream(contents, "", content_, true);
    content_.clear();
    document_.WriteObject(page, "<< /Type /Page /Parent " + Ref(pagesId_) + " /MediaBox " +
                                    mediaBox_ + " /Resources " + Ref(resources_) + " /Contents " +
                                    Ref(contents) + " >>");
    pages_.push_back(page);
  }

  void Finish() {
    if (failure_) std::rethrow_exception(failure_);
    std::string fonts;
    for (const auto& font : fonts_) {
      if (!font->Embeddable()) continue;
      font->Write(document_);
      fonts += "/" + font->Resource() + " " + Ref(font->Id()) + " ";
    }
    document_.WriteObject(resources_, "<< /ProcSet [/PDF /Text] /Font << " + fonts + ">> >>");
    std::string kids;
    for (int page : pages_) kids += Ref(page) + " ";
    document_.WriteObject(pagesId_, "<< /Type /Pages /Kids [" + kids + "] /Count " +
                                        std::to_string(pages_.size()) + " >>");
    document_.WriteObject(catalog_, "<< /Type /Catalog /Pages " + Ref(pagesId_) + " >>");
    const int info = document_.Reserve();
    const std::string date =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss")).toStdString();
    document_.WriteObject(info, "<< /Title " + PdfTextString(title_.toStdU16String()) +
                                    " /Creator " + PdfTextString(creator_.toStdU16String()) +
                                    " /Producer " + PdfTextString(creator_.toStdU16String()) +
                                    " /CreationDate (D:" + date + "Z) >>");
    document_.Finish(catalog_, info);
  }

 private:
  static std::string Ref(int id) { return std::to_string(id) + " 0 R"; }

  // Runs a drawing step; a failure is kept and raised once the painter has let the page go,
  // since it must not unwind through the painter.
  template <typename Step>
  void Guard(Step step) {
    if (failure_) return;
    try {
      step();
    } catch (...) {
      failure_ = std::current_exception();
    }
  }

  // Lengths in dots to a tenth of a dot, 1/12000 inch.
  void Number(double value, int decimals = 1) {
    AppendPdfNumber(content_, value, decimals);
    content_ += ' ';
  }
  void Point(const QPointF& p) {
    Number(p.x());
    Number(p.y());
  }
  void Color(const QColor& color, const char* op) {
    Number(color.redF(), 3);
    Number(color.greenF(), 3);
    Number(color.blueF(), 3);
    content_ += op;
    content_ += '\n';
  }
  void SetFill(const QColor& color) {
    if (fillSet_ && color.rgb() == fill_) return;
    Color(color, "rg");
    fill_ = color.rgb();
    fillSet_ = true;
  }
  void SetStroke() {
    if (!strokeSet_ || pen_.color().rgb() != stroke_) {
      Color(pen_.color(), "RG");
      stroke_ = pen_.color().rgb();
    }
    double width = pen_.widthF();
    if (!pen_.isCosmetic()) width *= std::sqrt(std::abs(transform_.determinant()));
    const int cap = pen_.capStyle() == Qt::FlatCap ? 0 : pen_.capStyle() == Qt::RoundCap ? 1 : 2;
    const int join = pen_.joinStyle() == Qt::RoundJoin   ? 1
                     : pen_.joinStyle() == Qt::BevelJoin ? 2
                                                         : 0;
    if (!strokeSet_ || width != lineWidth_ || cap != cap_ || join != join_) {
      Number(width);
      content_ += "w " + std::to_string(cap) + " J " + std::to_string(join) + " j\n";
      lineWidth_ = width;
      cap_ = cap;
      join_ = join;
    }
    strokeSet_ = true;
  }
  void ResetCaches() { fillSet_ = strokeSet_ = textFontSet_ = false; }

  // Ends the current path by filling it with the brush and stroking it with the pen, as each
  // is set and wanted.
  void Paint(bool fill, bool stroke, bool evenOdd) {
    fill = fill && brush_.style() != Qt::NoBrush;
    stroke = stroke && pen_.style() != Qt::NoPen;
    if (fill) SetFill(brush_.color());
    if (stroke) SetStroke();
    const char* op = fill && stroke ? (evenOdd ? "B*" : "B")
                     : fill         ? (evenOdd ? "f*" : "f")
                     : stroke       ? "S"
                                    : "n";
    content_ += op;
    content_ += '\n';
  }

  // The path's construction operators; false for an empty path.
  bool PathOps(const QPainterPath& path) {
    if (path.isEmpty()) return false;
    for (int i = 0; i < path.elementCount(); ++i) {
      const QPainterPath::Element e = path.elementAt(i);
      switch (e.type) {
        case QPainterPath::MoveToElement:
          Point(e);
          content_ += "m\n";
          break;
        case QPainterPath::LineToElement:
          Point(e);
          content_ += "l\n";
          break;
        case QPainterPath::CurveToElement:
          Point(e);
          Point(path.elementAt(i + 1));
          Point(path.elementAt(i + 2));
          content_ += "c\n";
          i += 2;
          break;
        case QPainterPath::CurveToDataElement:
          break;
      }
    }
    return true;
  }

  // The clip the painter holds, as the intersection of its paths; the graphics state is
  // restored to the page's to drop the former clip.
  void ApplyClip() {
    content_ += "Q q\n";
    ResetCaches();
    if (!clipEnabled_) return;
    for (const QPainterPath& clip : clips_) {
      if (!PathOps(clip)) {
        content_ += "0 0 m h ";
      }
      content_ += clip.fillRule() == Qt::OddEvenFill ? "W* n\n" : "W n\n";
    }
  }

  // The font of a face, one per font file.
  TPdfFont& FontOf(const QRawFont& raw) {
    const QString key = raw.familyName() + '\n' + raw.styleName() + '\n' +
                        QString::number(raw.weight()) + '\n' +
                        QString::number(static_cast<int>(raw.style()));
    for (const auto& [known, font] : faces_) {
      if (known == key) return *font;
    }
    fonts_.push_back(std::make_unique<TPdfFont>(raw, "F" + std::to_string(fonts_.size() + 1),
                                                document_.Reserve()));
    faces_.emplace_back(key, fonts_.back().get());
    return *fonts_.back();
  }

  // The font a QFont draws its characters with (before any fallback) and its size in dots.
  TPdfFont& FontOf(const QFont& font, double& size) {
    size = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * kDotsPerInch / 72;
    if (lastFont_ && font == lastQFont_) return *lastFont_;
    for (const auto& [known, pdfFont] : qfonts_) {
      if (known == font) {
        lastQFont_ = font;
        lastFont_ = pdfFont;
        return *pdfFont;
      }
    }
    QFont sized = font;
    sized.setPixelSize(100);
    TPdfFont& pdfFont = FontOf(QRawFont::fromFont(sized));
    qfonts_.emplace_back(font, &pdfFont);
    lastQFont_ = font;
    lastFont_ = &pdfFont;
    return pdfFont;
  }

  void BeginText(TPdfFont& font, double size, const QPointF& origin) {
    SetFill(pen_.color());
    content_ += "BT ";
    // The font and size are kept by the graphics state from one text to the next.
    if (!textFontSet_ || &font != textFont_ || size != textSize_) {
      content_ += '/';
      content_ += font.Resource();
      content_ += ' ';
      Number(size);
      content_ += "Tf ";
      textFont_ = &font;
      textSize_ = size;
      textFontSet_ = true;
    }
    const QTransform m = QTransform(1, 0, 0, -1, origin.x(), origin.y()) * transform_;
    Number(m.m11(), 5);
    Number(m.m12(), 5);
    Number(m.m21(), 5);
    Number(m.m22(), 5);
    Number(m.dx());
    Number(m.dy());
    content_ += "Tm ";
  }

  void Glyph(uint16_t glyph) {
    static const char kHex[] = "0123456789ABCDEF";
    const char hex[4] = {kHex[glyph >> 12], kHex[(glyph >> 8) & 0xF], kHex[(glyph >> 4) & 0xF],
                         kHex[glyph & 0xF]};
    content_.append(hex, 4);
  }

  void LiteralByte(unsigned char byte) {
    if (byte == '(' || byte == ')' || byte == '\\') {
      content_ += '\\';
    } else if (byte == '\r') {
      content_ += "\\r";
      return;
    }
    content_ += static_cast<char>(byte);
  }

  // `text` as one run of glyphs of `font`'s own face placed by their advances; false when the
  // face lacks a character or cannot be embedded.
  bool TextRun(const QPointF& origin, const QString& text, const QFont& font) {
    if (text.isEmpty()) return true;
    double size = 0;
    TPdfFont& pdfFont = FontOf(font, size);
    if (!pdfFont.Embeddable()) return false;
    glyphs_.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
      char32_t c = text[i].unicode();
      if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
        ++i;
      }
      const uint16_t glyph = pdfFont.Glyph(c);
      if (glyph == 0) return false;
      glyphs_.push_back({glyph, c});
    }
    BeginText(pdfFont, size, origin);
    // The glyphs as two bytes each in a literal string: half the size of hexadecimal.
    content_ += '(';
    for (const auto& [glyph, c] : glyphs_) {
      pdfFont.Advance(glyph);
      pdfFont.Use(glyph, c);
      LiteralByte(static_cast<unsigned char>(glyph >> 8));
      LiteralByte(static_cast<unsigned char>(glyph & 0xFF));
    }
    content_ += ") Tj ET\n";
    return true;
  }

  // A run of laid out glyphs (of any face a fallback chose) at their places from `origin`.
  void GlyphRun(const QPointF& origin, const QGlyphRun& run, const QString& text) {
    const QRawFont raw = run.rawFont();
    const QList<quint32> glyphs = run.glyphIndexes();
    const QList<QPointF> places = run.positions();
    if (glyphs.isEmpty()) return;
    TPdfFont& font = FontOf(raw);
    if (!font.Embeddable()) {
      // Outlines that cannot be embedded are drawn as shapes.
      QPainterPath path;
      for (qsizetype i = 0; i < glyphs.size(); ++i) {
        path.addPath(raw.pathForGlyph(glyphs[i]).translated(origin + places[i]));
      }
      const QBrush brush = brush_;
      const QPen pen = pen_;
      brush_ = pen_.color();
      pen_ = Qt::NoPen;
      if (PathOps(transform_.map(path))) Paint(true, false, false);
      brush_ = brush;
      pen_ = pen;
      return;
    }
    // Which character each glyph stands for, as far as one character gives one glyph.
    for (qsizetype i = 0; i < text.size(); ++i) {
      char32_t c = text[i].unicode();
      if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
        ++i;
      }
      const uint16_t glyph = font.Glyph(c);
      if (glyph != 0 && glyphs.contains(glyph)) font.Use(glyph, c);
    }
    const double size = raw.pixelSize();
    BeginText(font, size, origin + places[0]);
    content_ += '[';
    double pen = places[0].x();
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
      const uint16_t glyph = static_cast<uint16_t>(glyphs[i]);
      const double shift = places[i].x() - pen;
      if (std::abs(shift) > 1e-3 && size > 0) {
        content_ += "> ";
        Number(-shift * 1000 / size, 1);
        content_ += '<';
      } else if (i == 0) {
        content_ += '<';
      }
      font.Use(glyph, 0xFFFD);
      Glyph(glyph);
      pen = places[i].x() + font.Advance(glyph) * size / 1000;
    }
    content_ += "> ] TJ ET\n";
  }

  TPdfDocument document_;
  QString title_, creator_;
  int catalog_ = 0, pagesId_ = 0, resources_ = 0;
  std::string mediaBox_, base_, content_;
  std::vector<int> pages_;
  std::exception_ptr failure_;

  QTransform transform_;
  QPen pen_;
  QBrush brush_;
  QFont font_;
  std::vector<QPainterPath> clips_;
  bool clipEnabled_ = false;

  bool fillSet_ = false, strokeSet_ = false, textFontSet_ = false;
  const TPdfFont* textFont_ = nullptr;
  double textSize_ = 0;
  QRgb fill_ = 0, stroke_ = 0;
  double lineWidth_ = 0;
  int cap_ = 0, join_ = 0;

  std::vector<std::unique_ptr<TPdfFont>> fonts_;
  std::vector<std::pair<QString, TPdfFont*>> faces_;
  std::vector<std::pair<QFont, TPdfFont*>> qfonts_;
  QFont lastQFont_;
  TPdfFont* lastFont_ = nullptr;
  std::vector<std::pair<uint16_t, char32_t>> glyphs_;
};

TPdfPages::TPdfPages(TStream& out, const QPageLayout& layout, const QString& title,
                     const QString& creator)
    : engine_(std::make_unique<TPdfPaintEngine>(out, layout, title, creator)), layout_(layout) {}

TPdfPages::~TPdfPages() = default;

QPaintEngine* TPdfPages::paintEngine() const { return engine_.get(); }

void TPdfPages::EndPage(QPainter& painter) {
  painter.end();
  engine_->WritePage();
}

void TPdfPages::Finish() { engine_->Finish(); }

int TPdfPages::metric(PaintDeviceMetric metric) const {
  const QRectF paint = layout_.paintRect(QPageLayout::Point);
  switch (metric) {
    case PdmWidth:
      return qRound(Dots(paint.width()));
    case PdmHeight:
      return qRound(Dots(paint.height()));
    case PdmWidthMM:
      return qRound(paint.width() * 25.4 / 72);
    case PdmHeightMM:
      return qRound(paint.height() * 25.4 / 72);
    case PdmNumColors:
      return INT_MAX;
    case PdmDepth:
      return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
      return static_cast<int>(kDotsPerInch);
    case PdmDevicePixelRatio:
      return 1;
    case PdmDevicePixelRatioScaled:
      return static_cast<int>(devicePixelRatioFScale());
    default:
      return 0;
  }
}

bool DrawPdfTextRun(QPainter& painter, const QPointF& origin, const QString& text) {
  auto* engine = dynamic_cast<TPdfPaintEngine*>(painter.paintEngine());
  if (!engine) return false;
  engine->syncState();
  return engine->TextRun(origin, text);
}
