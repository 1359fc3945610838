#include "print/reportjob.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "memorysource.h"
#include "print/reportdef.h"

namespace {

struct Printed {
  QStringList pages;  // text of each page
  int jobPages = 0;
  std::vector<int> columns;
};

Printed render(MemorySource& source, const ReportRec& rec,
               ReportJob::Mode mode = ReportJob::Mode::List, bool readBack = true) {
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("r.pdf"));
  QString error;
  auto settings = reportSettings(rec, source, &error);
  EXPECT_TRUE(settings) << error.toStdString();
  Printed out;
  {
    QPdfWriter writer(pdf);
    PageRenderer r(writer, settings->paper);
    EXPECT_TRUE(r.begin());
    ReportJob job(source, *settings, mode);
    EXPECT_TRUE(job.run(r));
    out.jobPages = job.pages();
    out.columns = job.columns();
  }
  if (!readBack) return out;
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  EXPECT_TRUE(p.waitForFinished(30000));
  out.pages = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
  if (!out.pages.isEmpty() && out.pages.back().trimmed().isEmpty()) out.pages.removeLast();
  return out;
}

ReportRec definition(int layout) {
  ReportRec rec;
  rec.columns = {0, 1, 2, 3};
  rec.layout = layout;
  rec.gridOption = layout;  // the dialog turns the grid off for rows
  rec.title = QStringLiteral("My Library Catalogue");
  return rec;
}

TEST(ReportLayout, ColumnsLayoutPrintsTitleRowsTotalsAndPageNumbers) {
  MemorySource s = books(60);
  const Printed p = render(s, definition(0));
  ASSERT_GE(p.pages.size(), 2);
  EXPECT_EQ(p.pages.size(), p.jobPages);
  EXPECT_TRUE(p.pages[0].contains("My Library Catalogue"));
  EXPECT_FALSE(p.pages[1].contains("My Library Catalogue"));  // first page only
  EXPECT_TRUE(p.pages[1].contains("Book Title"));             // header row on every page
  EXPECT_TRUE(p.pages[1].contains("Page 2"));
  EXPECT_TRUE(p.pages[0].contains("1,234.50"));
  EXPECT_TRUE(p.pages.back().contains("Totals:"));
  EXPECT_TRUE(p.pages.back().contains("74,070.00"));  // 60 x 1234.5
  // Text is cut to the max width of 20 characters.
  EXPECT_TRUE(p.pages[0].contains("Book number 1 of a l"));
  EXPECT_FALSE(p.pages[0].contains("Book number 1 of a lo"));
}

TEST(ReportLayout, RowsLayoutContinuesAMemoWithoutItsCaption) {
  QString note;
  for (int i = 1; i <= 120; ++i) note += QStringLiteral("Memo line %1\r\n").arg(i);
  MemorySource s = books(3, note);
  ReportRec rec = definition(1);
  rec.titleOption = 1;
  rec.pageNumberOption = 1;
  const Printed p = render(s, rec);
  ASSERT_GE(p.pages.size(), 2);
  EXPECT_TRUE(p.pages[1].contains("My Library Catalogue"));  // all pages
  EXPECT_TRUE(p.pages[1].contains("Page 2"));
  // The memo goes on at the top of the next page without its caption.
  EXPECT_TRUE(p.pages[0].contains(QRegularExpression("Notes +Memo line 1\\n")));
  EXPECT_TRUE(
      p.pages[1].contains(QRegularExpression("Page 2\\s+My Library Catalogue\\s+Memo line")));
  EXPECT_FALSE(p.pages[1].contains("Notes"));
  EXPECT_TRUE(p.pages.join("").contains("Memo line 120\n"));
  EXPECT_TRUE(p.pages.back().contains("Totals:"));
  EXPECT_TRUE(p.pages.back().contains("3,703.50"));
}

// Totals that run out of lines go on at the next page with the next numeric
// column, neither repeating one nor leaving one out.
TEST(ReportLayout, RowsTotalsGoOnWithTheNextNumericColumn) {
  MemorySource s;
  ReportRec rec = definition(1);
  rec.columns.clear();
  rec.pageNumberOption = 1;
  s.rows.push_back({});
  for (int k = 0; k < 40; ++k) {
    s.names << QStringLiteral("Amount %1").arg(k + 10);
    s.kinds.push_back(FieldKind::Numeric);
    s.sizes.push_back(10);
    s.rows[0] << QString::number(k + 10);
    rec.columns.push_back(k);
  }
  const Printed p = render(s, rec);
  ASSERT_EQ(p.pages.size(), 2);
  EXPECT_TRUE(p.pages[0].contains("Totals:"));
  EXPECT_FALSE(p.pages[1].contains("Totals:"));
  const QString all = p.pages.join("");
  for (int k = 10; k < 50; ++k)
    EXPECT_EQ(all.count(QRegularExpression(QStringLiteral("Amount %1 +%1\\.00").arg(k))), 2) << k;
  EXPECT_TRUE(p.pages[1].contains(QRegularExpression("Page 2\\s+Amount \\d+ +\\d+\\.00\\s")));
}

TEST(ReportLayout, ColumnsWiderThanThePageAreLeftOut) {
  MemorySource s = books(2);
  s.sizes[0] = 200;
  ReportRec rec = definition(0);
  rec.maxWidth = QStringLiteral("60");  // the title column takes 60 characters
  const Printed p = render(s, rec);
  EXPECT_EQ(p.columns, (std::vector<int>{0}));
  EXPECT_FALSE(p.pages[0].contains("Totals:"));  // no numeric column is left
}

TEST(ReportLayout, OneRecordPrintsEveryFieldWithoutHeaderOrFooter) {
  MemorySource s = books(3);
  s.at = 1;
  const Printed p = render(s, definition(0), ReportJob::Mode::Record);
  ASSERT_EQ(p.pages.size(), 1);
  EXPECT_TRUE(p.pages[0].contains("Author 2"));
  EXPECT_FALSE(p.pages[0].contains("Author 1"));
  EXPECT_FALSE(p.pages[0].contains("Page 1"));
  EXPECT_EQ(s.at, 1u);  // the table is not moved
}

// Bad input ends with a sound report: a 1 MB memo, no columns, a column
// naming no field.
TEST(ReportLayout, BadInputStillEndsTheJob) {
  MemorySource s = books(2, QString(1 << 20, u'x'));
  ReportRec rec = definition(1);
  rec.columns = {3, 9};
  const Printed big = render(s, rec, ReportJob::Mode::List, false);
  EXPECT_GT(big.jobPages, 10);
  rec.columns.clear();
  EXPECT_EQ(render(s, rec).jobPages, 1);

  // A picture ten times as tall as wide is shrunk to an empty page's room
  // rather than moved on from page to page.
  QImage tall(20, 200, QImage::Format_RGB32);
  tall.fill(Qt::darkGreen);
  QBuffer png(&s.pictureBytes);
  png.open(QIODevice::WriteOnly);
  tall.save(&png, "PNG");
  s.kinds[3] = FieldKind::Picture;
  for (int layout : {0, 1}) {
    ReportRec pictures = definition(layout);
    pictures.columns = {1, 3};
    const Printed p = render(s, pictures, ReportJob::Mode::List, false);
    // A row a page; in rows the author's line takes a page of its own.
    EXPECT_EQ(p.jobPages, layout == 0 ? 2 : 4) << layout;
  }
}

struct PaperCase {
  const char *left, *right, *top, *bottom;
  int size, orientation;
  QString message;
};

TEST(ReportPaper, GeometryChecksAndNumberMessages) {
  const QString width = QStringLiteral("Left/Right Margins too large or Page Width too small!");
  const QString height = QStringLiteral("Top/Bottom Margins too large or Page Heiht too small!");
  const PaperCase cases[] = {
      {"1", "1", "1", "1", 0, 1, {}},        // landscape Letter: 9 by 6.5
      {"4", "4", "1", "1", 0, 0, width},     // 8.5 - 8
      {"1", "1", "5", "5.5", 0, 0, height},  // 11 - 10.5
      {"1", "1", "1", "1", 2, 0, {}},        // envelope 9.5 by 4.125
      {"1", "1", "2", "1.2", 2, 0, height},
      {"", "1", "1", "1", 0, 0, QStringLiteral("'' is not a valid floating point value")},
      {"1", "x", "1", "1", 0, 0, QStringLiteral("'x' is not a valid floating point value")},
  };
  for (const PaperCase& c : cases) {
    ReportRec rec;
    rec.leftMargin = c.left, rec.rightMargin = c.right, rec.topMargin = c.top,
    rec.bottomMargin = c.bottom, rec.pageSize = c.size, rec.orientation = c.orientation;
    QString error;
    const auto paper = reportPaper(rec, &error);
    EXPECT_EQ(paper ? paperProblem(*paper) : error, c.message) << c.left << c.top;
  }
  ReportRec rec;
  rec.maxWidth = QStringLiteral("");
  QString error;
  MemorySource s = books(1);
  EXPECT_FALSE(reportSettings(rec, s, &error));
  EXPECT_EQ(error, QStringLiteral("'' is not a valid integer value"));
}

}  // namespace
