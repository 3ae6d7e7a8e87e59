#pragma once

// The grid export family: the driver TDBGridEhExport walks a grid's selection (or all rows)
// and calls the operations a format overrides; the text, Unicode text, CSV, HTML, RTF and XLS
// writers are its subclasses. Writers see the grid through IExportGrid (export/ExportGrid.h).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/ExportGrid.h"
#include "export/Stream.h"

class TDBGridEh;

// What the exported report is, for formats that record it in the file (Windows-1252 text).
struct TExportDocumentInfo {
  std::string Title;
  std::string Company;
  std::string Period;
};

class TDBGridEhExport {
 public:
  // Footer values: 64-bit currency units (value x 10,000), entry i + r x (exported columns).
  using TFooterValues = std::vector<int64_t>;

  TDBGridEhExport();
  virtual ~TDBGridEhExport();
  TDBGridEhExport(const TDBGridEhExport&) = delete;
  TDBGridEhExport& operator=(const TDBGridEhExport&) = delete;

  // Binds the grid the export reads (not owned).
  void SetGrid(IExportGrid* grid) { grid_ = grid; }
  IExportGrid* Grid() const { return grid_; }
  void SetDocumentInfo(TExportDocumentInfo info) { documentInfo_ = std::move(info); }
  const TExportDocumentInfo& DocumentInfo() const { return documentInfo_; }

  // Walks the selection (all rows and visible columns when `saveAll`) into `stream`.
  // The grid's position and controls are restored also when the walk fails; CloseDocument
  // runs only after a walk that ended normally.
  virtual void RenderToStream(TStream& stream, bool saveAll);
  // Renders into a new file that replaces `fileName` only when complete (see
  // platform::ReplacementFile); on failure `fileName` stays as it was.
  virtual void RenderToFile(const std::string& fileName, bool saveAll);

  const std::vector<int>& ExportedColumns() const { return columns_; }
  const TFooterValues& FooterValues() const { return footerValues_; }

  // Told after each data row written how many are done; false stops the export with
  // platform::EAbort (a file being replaced stays as it was). None by default.
  std::function<bool(long rows)> RowProgress;

 protected:
  // The operations a format overrides.
  virtual void AccumulateFooters();
  virtual void OpenDocument() {}
  virtual void CloseDocument() {}
  virtual void EmitTitleRow(const std::vector<int>& /*columns*/) {}
  virtual void EmitDataRow(const std::vector<int>& columns);
  virtual void EmitDataCell(int /*column*/, const TExportCellParams& /*params*/) {}
  virtual void EmitFooterRow(const std::vector<int>& columns, int footerRow);
  virtual void EmitFooterCell(int /*position*/, int /*footerRow*/, int /*column*/,
                              const platform::TFontSpec& /*font*/,
                              platform::TColor /*background*/, TAlignment /*alignment*/,
                              const std::string& /*text*/) {}

  // The text of a footer cell before the hook: the exporter's own sum or count text, else
  // the grid's footer text.
  std::string FooterCellText(int position, int footerRow, int column) const;
  // The footer value of (footer row, column position).
  int64_t FooterValue(int footerRow, int position) const;
  TExportFooter CachedFooter(int position, int footerRow) const;

  TStream& Stream() const { return *stream_; }
  void SetStream(TStream* stream) { stream_ = stream; }
  void Write(std::string_view bytes) { stream_->Write(bytes); }

  TExportCellParams cellParams_;

 private:
  void SetExportedColumns(std::vector<int> columns);
  void SizeFooterValues();
  void EmitTitleIfShown();
  void EmitFooterRows();
  void Walk(TExportSelectionType type);
  void EmitCountedRow();

  IExportGrid* grid_ = nullptr;
  TExportDocumentInfo documentInfo_;
  std::vector<int> columns_;
  bool columnsSet_ = false;
  TStream* stream_ = nullptr;
  TFooterValues footerValues_;
  long rowsDone_ = 0;
  // Per (footer row, position): value type and field id, fixed for one walk.
  std::vector<TExportFooterValueType> footerTypes_;
  std::vector<int> footerFields_;
};

// Tab-separated text in the ANSI code page.
class TDBGridEhExportAsText : public TDBGridEhExport {
 public:
  void RenderToStream(TStream& stream, bool saveAll) override;

 protected:
  void EmitTitleRow(const std::vector<int>& columns) override;
  void EmitDataRow(const std::vector<int>& columns) override;
  void EmitDataCell(int column, const TExportCellParams& params) override;
  void EmitFooterRow(const std::vector<int>& columns, int footerRow) override;
  void EmitFooterCell(int position, int footerRow, int column, const platform::TFontSpec& font,
                      platform::TColor background, TAlignment alignment,
                      const std::string& text) override;
  virtual void StartLine();
  virtual void StartCell();

  bool firstLine_ = true;
  bool firstCell_ = true;
};

// Tab-separated text in UTF-16 little-endian, without byte order mark.
class TDBGridEhExportAsUnicodeText : public TDBGridEhExport {
 public:
  void RenderToStream(TStream& stream, bool saveAll) override;

 protected:
  void EmitTitleRow(const std::vector<int>& columns) override;
  void EmitDataRow(const std::vector<int>& columns) override;
  void EmitDataCell(int column, const TExportCellParams& params) override;
  void EmitFooterRow(const std::vector<int>& columns, int footerRow) override;
  void EmitFooterCell(int position, int footerRow, int column, const platform::TFontSpec& font,
                      platform::TColor background, TAlignment alignment,
                      const std::string& text) override;
  void StartLine();
  void StartCell();

 private:
  void WriteText(std::string_view cp1252);
  bool firstLine_ = true;
  bool firstCell_ = true;
};

// The program-wide CSV separator (";").
extern char CSVSeparator;

// Quoted values separated by the CSV separator; lines as the text writer.
class TDBGridEhExportAsCSV : public TDBGridEhExportAsText {
 public:
  TDBGridEhExportAsCSV();

 protected:
  void EmitTitleRow(const std::vector<int>& columns) override;
  void EmitDataCell(int column, const TExportCellParams& params) override;
  void EmitFooterCell(int position, int footerRow, int column, const platform::TFontSpec& font,
                      platform::TColor background, TAlignment alignment,
                      const std::string& text) override;
  void StartCell() override;

 private:
  void WriteQuoted(std::string_view text);
  char separator_;
};

// An HTML 3.2 page holding one table.
class TDBGridEhExportAsHTML : public TDBGridEhExport {
 public:
  // Six upper-case hexadecimal digits, red, green, blue ("000000" for clNone).
  static std::string HtmlColor(platform::TColor color);
  static const char* AlignWord(TAlignment alignment);
  // The font tag, style tags and the escaped text ("&nbsp;" when empty).
  static std::string WrapInFont(const platform::TFontSpec& font, const std::string& text);

 protected:
  void OpenDocument() override;
  void CloseDocument() override;
  void EmitTitleRow(const std::vector<int>& columns) override;
  void EmitDataRow(const std::vector<int>& columns) override;
  void EmitDataCell(int column, const TExportCellParams& params) override;
  void EmitFooterRow(const std::vector<int>& columns, int footerRow) override;
  void EmitFooterCell(int position, int footerRow, int column, const platform::TFontSpec& font,
                      platform::TColor background, TAlignment alignment,
                      const std::string& text) override;

 private:
  void EmitCell(int column, TAlignment alignment, platform::TColor background,
                const platform::TFontSpec& font, const std::string& text);
  // Appends WrapInFont(font, text) to `out`, reusing the tags of the previous font.
  void AppendWrapped(std::string& out, const platform::TFontSpec& font, const std::string& text);
  std::string line_;
  bool fontCached_ = false;
  platform::TFontSpec cachedFont_;
  std::string fontOpen_, fontClose_;
};

// A Rich Text Format document holding one table: the colour and font tables, then the rows.
// Where no cell hook can change what cells use, the tables are worked out before the walk
// and the rows go straight to the stream (taken back if the walk fails); otherwise the rows
// are kept aside (in a temporary file when large) until the tables are known.
class TDBGridEhExportAsRTF : public TDBGridEhExport {
 public:
  void RenderToStream(TStream& stream, bool saveAll) override;

  // Index of the colour's red, green, blue triple, added when new.
  int RegisterColor(platform::TColor color);
  // Index of the font name (compared without regard to case), added when new.
  int RegisterFont(const std::string& name);

 protected:
  void OpenDocument() override;
  void CloseDocument() override;
  void EmitTitleRow(const std::vector<int>& columns) override;
  void EmitDataRow(const std::vector<int>& columns) override;
  void EmitDataCell(int column, const TExportCellParams& params) override;
  void EmitFooterRow(const std::vector<int>& columns, int footerRow) override;
  void EmitFooterCell(int position, int footerRow, int column, const platform::TFontSpec& font,
                      platform::TColor background, TAlignment alignment,
                      const std::string& text) override;

 private:
  struct Rgb {
    uint8_t Red, Green, Blue;
    bool operator==(const Rgb&) const = default;
  };
  struct TablesMismatch;
  // Empties the registries and registers black, white and the button face.
  void ResetRegistries();
  // The document's opening line and its colour and font tables.
  std::string Header() const;
  void EmitRowDefinition(const std::vector<int>& columns,
                         const std::vector<platform::TColor>& colors);
  void EmitCell(TAlignment alignment, const platform::TFontSpec& font,
                const std::string& text, platform::TColor background);
  // Appends a cell's character formatting: size, styles, font, colour and background.
  void AppendStyle(std::string& out, const platform::TFontSpec& font, platform::TColor background);
  void EmitRowEnd();
  std::vector<Rgb> colors_;
  std::vector<std::string> fonts_;
  // Rows written straight to the stream after tables worked out ahead; while checking, the
  // walk's registrations must match the written tables entry by entry.
  bool direct_ = false;
  bool checking_ = false;
  TExportSelectionType selection_ = TExportSelectionType::gstAll;
  std::vector<Rgb> writtenColors_;
  std::vector<std::string> writtenFonts_;
  std::string scratch_;
  // The formatting of the last styled cell.
  bool styleCached_ = false;
  platform::TFontSpec cachedFont_;
  platform::TColor cachedBackground_ = platform::clNone;
  std::string cachedStyle_;
  // The last row definition written: rows with the same columns and colours repeat it.
  std::vector<int> lastColumns_;
  std::vector<platform::TColor> lastColors_;
  std::string lastDefinition_;
};

// A bare BIFF worksheet record stream.
class TDBGridEhExportAsXLS : public TDBGridEhExport {
 public:
  void RenderToStream(TStream& stream, bool saveAll) override;

 protected:
  void OpenDocument() override;
  void CloseDocument() override;
  void EmitTitleRow(const std::vector<int>& columns) override;
  void EmitDataCell(int column, const TExportCellParams& params) override;
  void EmitFooterCell(int position, int footerRow, int column, const platform::TFontSpec& font,
                      platform::TColor background, TAlignment alignment,
                      const std::string& text) override;

  void EmitLabelRecord(std::string_view text);
  void EmitNumberRecord(double value);
  void EmitIntegerRecord(int32_t value);
  void EmitBlankRecord();
  void AdvanceCell();

 private:
  void CheckRow() const;
  // Sheet rows the walk will write (title, records, footers), or -1 when not known ahead.
  int64_t PlannedRows() const;
  // Writes a cell record at the current cell (`body`, then `tail`) and moves to the next cell.
  void WriteCellRecord(unsigned type, unsigned style, std::string_view body,
                       std::string_view tail = {});
  uint16_t row_ = 0;
  uint16_t col_ = 0;
  bool rowsExhausted_ = false;
  TExportSelectionType selection_ = TExportSelectionType::gstAll;
};

// An exporter class: makes a fresh exporter of one kind.
using TDBGridEhExportClass = std::unique_ptr<TDBGridEhExport> (*)();
template <class T>
std::unique_ptr<TDBGridEhExport> CreateExporter() {
  return std::make_unique<T>();
}

// Constructs an exporter of `exporterClass`, binds `grid` (and `info`), renders to the file or
// stream and frees the exporter, also when the export fails. `rowProgress`: see RowProgress.
void ExportGridToFile(TDBGridEhExportClass exporterClass, IExportGrid& grid,
                      const std::string& fileName, bool saveAll,
                      const TExportDocumentInfo& info = {},
                      const std::function<bool(long)>& rowProgress = {});
void ExportGridToStream(TDBGridEhExportClass exporterClass, IExportGrid& grid, TStream& stream,
                        bool saveAll, const TExportDocumentInfo& info = {});
