#include "query/summary/summaryprint.h"

#include <QPrinter>

#include "core/prompt.h"
#include "print/pagerender.h"
#include "print/reportrun.h"
#include "query/summary/summary.h"
#include "ui/busycursor.h"

namespace {

const FontSpec kTitleFont{QStringLiteral("Arial"), 14, kBold | kUnderline};
const FontSpec kBodyFont{QStringLiteral("Arial"), 10, 0};
constexpr double kCellMargin = 0.05;

QString row(const QStringList& cells) {
  QString line;
  for (QString c : cells)
    line += QLatin1Char('\t') + c.replace(QLatin1Char('\t'), QLatin1Char(' '));
  return line;
}

}  // namespace

void layoutSummary(PageRenderer& r, const QString& title, const QStringList& headers,
                   const Summary& s) {
  r.setYPos(r.paper().top);
  r.setFont(kTitleFont);
  r.printCenter(title, r.pageWidth() / 2);
  r.lineEnd();
  r.lineEnd();
  r.setFont(kBodyFont);
  r.clearTabs();
  r.setTab(1.0, Justify::Left, 4.5, kBoxAll, kCellMargin);
  r.setTab(-1, Justify::Right, 0.5, kBoxAll, kCellMargin);
  r.setTab(-1, Justify::Right, 1.0, kBoxAll, kCellMargin);
  r.setTab(-1, Justify::Right, 0.5, kBoxAll, kCellMargin);
  r.setFont({kBodyFont.name, kBodyFont.size, kBold | kItalic});
  r.print(row(headers));
  r.lineEnd();
  r.setFont(kBodyFont);
  for (size_t i = 0; i < s.groups.size(); ++i) {
    if (r.linesLeft() < 1) {
      r.newPage();
      r.setYPos(r.paper().top);
    }
    const auto q = static_cast<qsizetype>(i);
    r.print(row({s.groups[i].key, s.counts.value(q), s.amounts.value(q), s.percents.value(q)}));
    r.lineEnd();
  }
  if (r.linesLeft() < 1) {
    r.newPage();
    r.setYPos(r.paper().top);
  }
  r.setFont({kBodyFont.name, kBodyFont.size, kBold});
  r.print(row({QStringLiteral("Total :"), QString::number(s.totalCount), amountText(s.grandTotal),
               QString()}));
  r.lineEnd();
  r.setFont(kBodyFont);
}

void printSummary(const QString& title, const QStringList& headers, const Summary& summary,
                  QWidget* parent) {
  PaperSetup paper;
  paper.standard = QPageSize::Letter;
  QPrinter printer(QPrinter::HighResolution);
  printer.setFullPage(true);
  { PageRenderer layout(printer, paper); }  // the printer's dialog starts on the paper
  if (!printerChooser()(printer, parent)) return;
  BusyCursor busy;
  PageRenderer r(printer, paper);
  if (!r.begin()) {
    showMessage(MsgKind::Error,
                QStringLiteral("Unable to print on %1")
                    .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                            : printer.outputFileName()));
    return;
  }
  layoutSummary(r, title, headers, summary);
  r.end();
}
