#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "print/pagerender.h"
#include "print/reportsource.h"

struct ReportRec;

// What one report job prints, taken from a definition with its numbers read.
struct ReportSettings {
  FontSpec font;
  bool fieldNames = true;
  std::vector<int> columns;
  bool rowsLayout = false;
  bool grid = true;
  bool totals = true;
  int maxWidth = 20;
  QString title;             // at most 31 characters
  int titleOption = 0;       // 0 first page, 1 all pages
  int pageNumberOption = 2;  // 0 none, 1 top, 2 bottom
  PaperSetup paper;
};

// Reads the definition's typed numbers. On a bad number, nothing and
// `error` holds the message ("'%s' is not a valid integer value", ...).
// Columns naming no field of `source` are left out.
std::optional<ReportSettings> reportSettings(const ReportRec& rec, const ReportSource& source,
                                             QString* error);
// The paper of a definition: standard sizes by their item, custom from the
// typed width and height. Nothing when a number does not read.
std::optional<PaperSetup> reportPaper(const ReportRec& rec, QString* error);
// "Left/Right Margins too large..." or the height message when the text area
// of the paper is less than an inch either way; empty when it fits.
QString paperProblem(const PaperSetup& paper);

// Before and after a list report: the views lift their letter range so the
// report covers every record of the filter, and put it back afterwards.
struct PrintHooks {
  std::function<void()> beforePrint;
  std::function<void()> afterPrint;
};
PrintHooks& printHooks();

// Lays out a list report (or one record) page by page through a renderer.
class ReportJob {
 public:
  enum class Mode { List, Record };
  ReportJob(ReportSource& source, ReportSettings settings, Mode mode = Mode::List);

  // Status lines for the job window ("Printing Page 2\rPrinting Report Page\r").
  std::function<void(const QString&)> status;
  // Asked between pages: false stops the job.
  std::function<bool()> keepGoing;

  // Prints every page; false when stopped before the end.
  bool run(PageRenderer& r);
  int pages() const { return pages_; }
  // Columns left after those wider than the page were dropped.
  const std::vector<int>& columns() const { return s_.columns; }

 private:
  struct Column {
    int field = 0;
    FieldKind kind = FieldKind::Other;
    double total = 0;
    double width = 0;
    int memoPos = -1;  // where an unfinished memo goes on; -1 none
  };

  void beforePrint();
  void header();
  void footer();
  bool rowsPage();
  bool columnsPage();
  bool recordPage();
  bool rowsField(Column& c, bool* full);
  void printLabel(const QString& caption);
  bool rowsTotals();
  void columnWidths();
  void headerRow();
  void dataTabs();
  bool columnsRow();
  void textCell(Column& c);
  QImage pictureOf(const Column& c) const;
  double fitPicture(double height) const;
  void setStatus(const QString& line0);

  ReportSource& src_;
  ReportSettings s_;
  Mode mode_;
  PageRenderer* r_ = nullptr;
  std::vector<Column> cols_;
  MemoBuffer memo_;
  size_t current_ = 0;  // column to go on with (rows layout, record print)
  bool totalsPrinted_ = false;
  size_t nextTotal_ = 0;
  double labelWidth_ = 0;
  bool hasPictures_ = false, hasMemos_ = false, picturesDrawn_ = false;
  double pageTop_ = 0;  // the cursor after the header
  int pages_ = 0;
  long progress_ = 0;  // things printed, so a page that prints nothing ends the job
};
