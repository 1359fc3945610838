// Reports of the sample collection as PDF and as page pictures:
//   reportshots <program dir> <output dir>
// writes report-columns.pdf and report-rows.pdf (fields in columns with the
// grid and totals; fields in rows with totals), their pages as PNG, and
// pictures of the print chooser and the report dialog; and label sheets on a
// stock sheet and a custom grid (labels-stock.pdf, labels-custom.pdf) and on
// round labels with their outlines as the preview draws them
// (labels-round.pdf), with pictures of their first pages and of the labels
// dialog.
#include <QApplication>
#include <QDir>
#include <QPdfWriter>
#include <QProcess>
#include <QTabBar>
#include <QTemporaryDir>
#include <cstdio>

#include "core/labels.h"
#include "core/settings.h"
#include "print/labeldialog.h"
#include "print/labelsheet.h"
#include "print/printcommand.h"
#include "print/reportdef.h"
#include "print/reportdialog.h"
#include "print/reportjob.h"
#include "print/reportsource.h"
#include "store/dbtable.h"
#include "store/recordtable.h"
#include "store/sampledata.h"

namespace {

bool render(ReportSource& source, const ReportRec& rec, const QString& pdf, int firstPages) {
  QString error;
  const auto settings = reportSettings(rec, source, &error);
  if (!settings) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return false;
  }
  {
    QPdfWriter writer(pdf);
    PageRenderer r(writer, settings->paper);
    if (!r.begin()) return false;
    ReportJob job(source, *settings);
    job.run(r);
    std::printf("%s: %d pages\n", qPrintable(pdf), job.pages());
  }
  QString base = pdf;
  base.chop(4);
  return QProcess::execute(QStringLiteral("pdftoppm"),
                           {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"),
                            QStringLiteral("-l"), QString::number(firstPages), pdf, base}) == 0;
}

// `outlines`: each label's outline drawn as the preview shows it.
bool renderLabels(ReportSource& source, const LabelRec& rec, const QString& pdf,
                  bool outlines = false) {
  QString error;
  const auto settings = labelSettings(rec, source, &error);
  if (!settings) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return false;
  }
  {
    QPdfWriter writer(pdf);
    PaperSetup paper;
    paper.left = paper.right = paper.top = paper.bottom = 0;
    PageRenderer r(writer, paper);
    if (!r.begin()) return false;
    LabelJob job(source, *settings, false);
    job.outlines = outlines;
    job.run(r);
    std::printf("%s: %d pages, %d labels\n", qPrintable(pdf), job.pages(), job.labelsPrinted());
  }
  QString base = pdf;
  base.chop(4);
  return QProcess::execute(QStringLiteral("pdftoppm"),
                           {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"),
                            QStringLiteral("-l"), QStringLiteral("1"), pdf, base}) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: reportshots <program dir> <output dir>\n");
    return 2;
  }
  const QString programDir = QString::fromLocal8Bit(argv[1]);
  const QString out = QString::fromLocal8Bit(argv[2]);
  QTemporaryDir data;
  appSettings().programDir = programDir;
  appSettings().homeDir = appSettings().databaseDir = data.path();
  if (!loadSampleCollection(programDir, data.path())) {
    std::fprintf(stderr, "no sample collection in %s\n", argv[1]);
    return 1;
  }
  loadLabels();
  DbTable table;
  if (!openTable(table, appSettings().tableName, false)) return 1;
  rebuildFieldSets(table);
  TableReportSource source(table, labels());

  ReportRec columns;
  columns.title = QStringLiteral("Books of the Sample Collection");
  columns.columns = {0, 1, 7, 8};  // title, author, published, value
  columns.maxWidth = QStringLiteral("25");
  ReportRec rows = columns;
  rows.layout = 1;
  rows.gridOption = 1;
  rows.titleOption = 1;
  rows.pageNumberOption = 1;
  rows.columns = {0, 1, 3, 8, 20};  // title, author, category, value, notes
  QDir().mkpath(out);
  const bool ok =
      render(source, columns, QDir(out).filePath(QStringLiteral("report-columns.pdf")), 2) &&
      render(source, rows, QDir(out).filePath(QStringLiteral("report-rows.pdf")), 2);
  // The dialogs as the print command shows them.
  currentReport() = columns;
  {
    ReportDialog dialog(source);
    dialog.show();
    for (int page : {0, 1, 3}) {
      dialog.tabSet->setCurrentIndex(page);
      app.processEvents();
      dialog.grab().save(QDir(out).filePath(
          QStringLiteral("report-dialog-%1.png").arg(dialog.tabSet->tabText(page).toLower())));
    }
    PrintChoiceDialog choice;
    choice.show();
    app.processEvents();
    choice.grab().save(QDir(out).filePath(QStringLiteral("print-choice.png")));
  }
  LabelRec stock;
  stock.stock = QStringLiteral("AV 5160");
  stock.columns = {0, 1, 3};  // title, author, category
  stock.bodyLeft = QStringLiteral("0.15"), stock.bodyTop = QStringLiteral("0.3");
  stock.headerLines = {QStringLiteral("Sample Collection")};
  stock.headerLeft = QStringLiteral("0.15"), stock.headerTop = QStringLiteral("0.08");
  stock.firstLabel = QStringLiteral("2");
  LabelRec custom = stock;
  custom.labelType = 1;
  custom.labelWidth = QStringLiteral("3.5"), custom.labelHeight = QStringLiteral("2");
  custom.gapAcross = QStringLiteral("0.5"), custom.gapDown = QStringLiteral("0.5");
  custom.leftMargin = QStringLiteral("0.5"), custom.topMargin = QStringLiteral("0.5");
  custom.across = QStringLiteral("2"), custom.down = QStringLiteral("4");
  custom.columns = {0, 1, 3, 8};  // title, author, category, value
  custom.bodyTop = QStringLiteral("0.5");
  custom.headerLines = {QStringLiteral("Sample Collection"), QStringLiteral("Orvanta Tomekeeper")};
  custom.firstLabel = QStringLiteral("1");
  LabelRec roundSheet = stock;  // 2 1/2 inch round labels, 12 per sheet
  roundSheet.stock = QStringLiteral("AV 5294");
  roundSheet.columns = {0, 1};  // title, author
  roundSheet.bodyLeft = QStringLiteral("0.3"), roundSheet.bodyTop = QStringLiteral("1.0");
  roundSheet.headerLeft = QStringLiteral("0.55"), roundSheet.headerTop = QStringLiteral("0.6");
  roundSheet.firstLabel = QStringLiteral("1");
  const bool labelsOk =
      renderLabels(source, stock, QDir(out).filePath(QStringLiteral("labels-stock.pdf"))) &&
      renderLabels(source, custom, QDir(out).filePath(QStringLiteral("labels-custom.pdf"))) &&
      renderLabels(source, roundSheet, QDir(out).filePath(QStringLiteral("labels-round.pdf")),
                   true);
  currentLabel() = stock;
  {
    LabelDialog dialog(source, false);
    dialog.show();
    for (int page : {0, 1}) {
      dialog.tabSet->setCurrentIndex(page);
      app.processEvents();
      dialog.grab().save(QDir(out).filePath(
          QStringLiteral("label-dialog-%1.png").arg(dialog.tabSet->tabText(page).toLower())));
    }
  }
  table.close();
  return ok && labelsOk ? 0 : 1;
}
