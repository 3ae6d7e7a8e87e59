#pragma once

// The report's printed pages, one renderer for the window's preview, printers and PDF files.
// Every page carries the report's header and the column titles; the rows are the grid's
// selection (everything when nothing is selected) with the grid's display texts, alignment
// and column order, each column as wide as its title and widest text; a last page charts
// where the cost goes. Pages are laid out on demand:
// only the rows of the page being drawn are read.

#include <QPageLayout>
#include <memory>
#include <string>
#include <vector>

#include "data/DB.h"
#include "export/DBGridEhSource.h"
#include "print/CostChart.h"
#include "print/PageLayout.h"
#include "print/PageSet.h"

class QPainter;
class TDBGridEh;
class TReportRowSpool;

// How the pages reach their rows again when drawn: through the data set's bookmarks (a data
// set that keeps its rows, as the window's does), or from a temporary file of the rows' cells
// written while the rows are first read (a data set read once, forward only).
enum class TPrintRows { Bookmarks, Spooled };

// What the page header says besides the title. Company and server are UTF-8 (any script
// prints as it is); the other texts are Windows-1252.
struct TReportHeading {
  std::string Company;
  std::string Server;
  std::string From;     // the period's first day, short date form
  std::string To;       // its last day
  std::string Printed;  // date and time of printing
};

// Which fields of the report play which part on the pages.
struct TReportPrintSpec {
  TReportHeading Heading;
  // Fields whose columns identify a row and repeat on every band of split columns.
  std::vector<std::string> KeyFields;
  // The charts: bars labelled by ChartLabelField, heights from UnitCostField; stacked bars
  // of PartFields. No chart page when the data set lacks one of them.
  std::string ChartLabelField;
  std::string UnitCostField;
  std::vector<std::string> PartFields;
};

// The report's title on every page (Windows-1252).
inline constexpr const char kReportTitle[] = "Reporte Costos Av\xed" "cola";

class TReportPages : public TPageSet {
 public:
  // Reads, in one pass over the rows, which rows and columns print and the chart's figures;
  // the grid keeps its position. Requires: the grid's data set is open; the grid and the data
  // set outlive the pages and do not change while they are in use.
  // With TPrintRows::Spooled the data set may be read forward only, and the grid is left on
  // its last row.
  TReportPages(TDBGridEh& grid, TReportPrintSpec spec,
               TPrintRows rows = TPrintRows::Bookmarks);
  ~TReportPages();
  TReportPages(const TReportPages&) = delete;
  TReportPages& operator=(const TReportPages&) = delete;

  // Lays the pages out for a paper, orientation and margins (landscape A4 with 8 mm margins
  // until set).
  void SetPageLayout(const QPageLayout& layout);
  const QPageLayout& PageLayout() const { return pageLayout_; }
  const TPageLayoutResult& Layout() const { return layout_; }
  int PageCount() const { return layout_.PageCount; }
  // The date and time of printing the header shows from now on.
  void SetPrinted(std::string printed) { spec_.Heading.Printed = std::move(printed); }
  int RowCount() const { return rowCount_; }
  bool HasChartPage() const { return hasChart_; }

  // Draws page `page` (from 0) on `painter`, whose origin is the top left corner of the area
  // inside the margins. Reads the page's rows from the grid, which keeps its position.
  void DrawPage(QPainter& painter, int page);

  // The default page layout: landscape A4, margins of 8 mm.
  static QPageLayout DefaultPageLayout();

 private:
  void ReadRows(TDBGridEh& grid);
  bool IsKey(int column) const;
  void DrawHeader(QPainter& painter, int page) const;
  void DrawRows(QPainter& painter, int page);
  void DrawCharts(QPainter& painter) const;

  TDBGridEh& grid_;
  TDBGridEhExportSource source_;
  TReportPrintSpec spec_;
  std::vector<int> columns_;           // grid column indexes, in the grid's order
  std::vector<TPrintColumn> widths_;   // points at the grid's size, per entry of columns_
  std::vector<TBookmark> rows_;        // the rows to print, in order (unless spooled)
  std::unique_ptr<TReportRowSpool> spool_;  // the cells of the rows to print, when spooled
  int rowCount_ = 0;
  std::vector<double> textWidths_;     // widest text of each column, padded, grid pixels
  TCostChartData chart_;
  TCostChartTitles chartTitles_;
  bool hasChart_ = false;
  double titleHeight_ = 0, rowHeight_ = 0, gridFontPoints_ = 8;
  QPageLayout pageLayout_;
  TPageLayoutResult layout_;
};
