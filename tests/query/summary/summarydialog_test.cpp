// The summary windows' wiring: choosing a field fills the grid and the
// totals, "Value" reorders, "&Print" writes the boxed table, and the graph
// pages its points and keeps letters out of "Items Per Page:".

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QtCharts/QChart>
#include <QtCharts/QPieSeries>

#include "core/labels.h"
#include "print/radiogroup.h"
#include "print/reportrun.h"
#include "query/summary/summarydialog.h"
#include "query/summary/summarygraphdialog.h"
#include "store/dbtable.h"
#include "support/bookviewfixture.h"

namespace {

class SummaryDialogTest : public BookViewTest {};

QString cell(const SummaryDialog& d, int row, int column) {
  return d.gridModel->index(row, column).data().toString();
}

TEST_F(SummaryDialogTest, CountsPrintsAndGraphs) {
  makeBookTable({{"A", QString::fromLatin1("\xC9mile"), 50},
                 {"B", "Poe", 30},
                 {"C", QString::fromLatin1("\xE9MILE"), 19},
                 {"D", "Zola", 1}},
                false);
  loadLabels();
  DbTable records;
  records.databaseName = appSettings().databaseDir;
  records.tableName = QStringLiteral("data.dbf");
  records.refreshDefinitions();
  SummaryDialog d(records);
  EXPECT_FALSE(d.graphButton->isEnabled());
  const int author = d.fieldCombo->findText(labels().value(1));
  ASSERT_GE(author, 0);
  d.fieldCombo->setCurrentIndex(author);
  emit d.fieldCombo->activated(author);
  EXPECT_EQ(d.headers(), (QStringList{labels().value(1), "Count", "Amount", "   %"}));
  EXPECT_EQ(cell(d, 0, 0), "Poe");
  EXPECT_EQ(cell(d, 2, 0) + cell(d, 2, 1) + cell(d, 2, 2) + cell(d, 2, 3), "\u00C9mile269.0069.0");
  EXPECT_EQ(d.totalCountLabel->text() + "/" + d.totalAmountLabel->text(), "4/100.00");
  EXPECT_TRUE(d.graphButton->isEnabled() && d.printButton->isEnabled());
  d.sortByGroup->setItemIndex(1);
  EXPECT_EQ(cell(d, 0, 0) + " " + cell(d, 1, 0) + " " + cell(d, 2, 0), "\u00C9mile Poe Zola");

  const QString pdf = box.file(QStringLiteral("summary.pdf"));
  const PrinterChooser dialogChooser = printerChooser();
  printerChooser() = [&](QPrinter& printer, QWidget*) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  };
  QTest::mouseClick(d.printButton, Qt::LeftButton);
  printerChooser() = dialogChooser;
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  ASSERT_TRUE(text.waitForFinished(30000));
  const QString printed = QString::fromUtf8(text.readAllStandardOutput()).simplified();
  EXPECT_TRUE(printed.startsWith("Summary By " + labels().value(1) + " " + labels().value(1) +
                                 " Count Amount %"))
      << printed.toStdString();
  EXPECT_TRUE(printed.contains(QStringLiteral("\u00C9mile 2 69.00 69.0 Poe 1 30.00 30.0")));
  EXPECT_TRUE(printed.endsWith(QStringLiteral("Total : 4 100.00"))) << printed.toStdString();

  PieGraphDialog g(d.summary().keys(), d.summary().amounts, d.title());
  EXPECT_EQ(g.windowTitle(), "Summary Graph");
  EXPECT_EQ(g.chart()->title(), "Summary By " + labels().value(1));
  EXPECT_TRUE(g.previousButton->isHidden());
  g.graphTypeGroup->setItemIndex(1);
  auto* pie = qobject_cast<QPieSeries*>(g.chart()->series().value(0));
  ASSERT_TRUE(pie);
  ASSERT_EQ(pie->count(), 3);
  EXPECT_EQ(pie->slices().at(2)->label() + "=" + QString::number(pie->slices().at(2)->value()),
            "OTHER=1");
  EXPECT_TRUE(g.xLabelsGroup->isHidden() && g.updateButton->isHidden());
  g.graphTypeGroup->setItemIndex(0);
  g.itemsPerPageEdit->clear();
  QTest::keyClicks(g.itemsPerPageEdit, QStringLiteral("a"));
  EXPECT_TRUE(g.itemsPerPageEdit->text().isEmpty());
  QTest::mouseClick(g.updateButton, Qt::LeftButton);
  EXPECT_EQ(g.itemsPerPageEdit->text(), "1");
  EXPECT_EQ(g.paging().pageCount(), 3);
  EXPECT_FALSE(g.previousButton->isHidden());
  EXPECT_FALSE(g.previousButton->isEnabled());
  QTest::mouseClick(g.nextButton, Qt::LeftButton);
  EXPECT_EQ(g.paging().page(), 2);
  EXPECT_TRUE(g.previousButton->isEnabled());
  rememberedItemsPerPage() = 10;

  PieGraphDialog nothing({"a", "b"}, {"0.00", "0.00"}, d.title());
  nothing.graphTypeGroup->setItemIndex(1);
  EXPECT_FALSE(nothing.noSlicesLabel->isHidden());
  EXPECT_EQ(qobject_cast<QPieSeries*>(nothing.chart()->series().value(0))->count(), 0);
}

}  // namespace
