#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "print/pagerender.h"

class ReportSource;
struct LabelRec;

// Where the labels lie on a sheet, inches from the paper's top left corner.
struct SheetGeometry {
  double width = 0, height = 0;   // one label
  double pitchX = 0, pitchY = 0;  // label size plus gap
  double left = 0, top = 0;       // sheet margins to the first label
  int across = 0, down = 0;
  int shape = 0;  // 0 round rect, 1 rectangle, 2 round
  double paperWidth = 8.5, paperHeight = 11;

  int perSheet() const { return across * down; }
  // Label number n (from 1, filled across first) as its top left corner.
  QPointF corner(int n) const;
};

// The sheet names of the stock list, sorted as the list shows them.
const QStringList& labelStockNames();
// The stock's key: its place in that list; a custom grid has kCustomStock.
inline constexpr int kCustomStock = 137;
int labelStockNumber(const QString& name);  // -1 when unknown
std::optional<SheetGeometry> stockGeometry(int number);

// The sheet a definition prints on: the stock's, or the custom grid read
// from its typed numbers. Nothing, with the message in `error`, when a number
// does not read or the labels cannot be laid out on the paper.
std::optional<SheetGeometry> labelSheet(const LabelRec& rec, QString* error);
// Why a grid cannot print; empty when it can.
QString sheetProblem(const SheetGeometry& g);

// What one labels job prints, with its numbers read.
struct LabelSettings {
  SheetGeometry sheet;
  std::vector<int> columns;
  FontSpec bodyFont, headerFont;
  double bodyLeft = 0.5, bodyTop = 0.5;
  QStringList headerLines;
  double headerLeft = 0.2, headerTop = 0.2;
  QImage logo;  // null for none
  double logoLeft = 2, logoTop = 0.2;
  int firstLabel = 1;
};

// Logos larger than this are refused rather than read.
inline constexpr qint64 kMaxLogoBytes = 8 * 1024 * 1024;

std::optional<LabelSettings> labelSettings(const LabelRec& rec, const ReportSource& source,
                                           QString* error);

// Lays out the records on label sheets through a renderer.
class LabelJob {
 public:
  // `single`: only the source's current record, the table neither moved
  // nor re-ranged.
  LabelJob(ReportSource& source, LabelSettings settings, bool single);

  std::function<void(const QString&)> status;
  std::function<bool()> keepGoing;
  // Draws every label's outline in its shape on each sheet, for the preview:
  // printed sheets get none, as the labels are cut already.
  bool outlines = false;

  bool run(PageRenderer& r);
  int pages() const { return pages_; }
  int labelsPrinted() const { return printed_; }

 private:
  void printLabel(PageRenderer& r, QPointF at);
  void drawOutlines(PageRenderer& r);

  ReportSource& src_;
  LabelSettings s_;
  bool single_;
  int pages_ = 0, printed_ = 0;
};

// Prints (after the printer is chosen) or previews the labels.
void printLabels(const LabelSettings& settings, ReportSource& source, QWidget* parent, bool preview,
                 bool single);
