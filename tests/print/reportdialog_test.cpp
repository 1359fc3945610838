#include "print/reportdialog.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "memorysource.h"
#include "print/radiogroup.h"
#include "print/reportloaddialog.h"
#include "print/reportrun.h"
#include "support/scriptedprompter.h"
#include "support/tempdir.h"

namespace {

class ReportDialogTest : public ::testing::Test {
 protected:
  ReportDialogTest() {
    appSettings().homeDir = box_.path();
    currentReport() = ReportRec{};
  }
  ~ReportDialogTest() override { currentReport() = ReportRec{}; }

  SettingsSandbox box_;
  ScriptedPrompter prompter_;
  MemorySource source_ = books(5);
};

TEST_F(ReportDialogTest, FieldListsAndRadioRulesFollowTheClicks) {
  ReportDialog d(source_);
  EXPECT_FALSE(d.totalsGroup->isHidden());  // a numeric field exists
  EXPECT_FALSE(d.printButton->isEnabled());
  d.allFieldsList->setCurrentRow(3);
  QTest::mouseClick(d.includeButton, Qt::LeftButton);
  d.allFieldsList->setCurrentRow(3);
  QTest::mouseClick(d.includeButton, Qt::LeftButton);  // the same field twice gives one entry
  EXPECT_EQ(d.includedList->count(), 1);
  EXPECT_TRUE(d.allFieldsList->selectedItems().isEmpty());  // nothing below the last
  for (QWidget* w : std::initializer_list<QWidget*>{d.printButton, d.previewButton, d.saveButton,
                                                    d.moveUpButton, d.moveDownButton})
    EXPECT_TRUE(w->isEnabled());
  QTest::mouseClick(d.includeAllButton, Qt::LeftButton);
  d.includedList->setCurrentRow(0);
  QTest::mouseClick(d.moveDownButton, Qt::LeftButton);
  EXPECT_EQ(d.includedList->item(1)->text(), QStringLiteral("Book Title"));
  QTest::mouseClick(d.excludeAllButton, Qt::LeftButton);
  EXPECT_FALSE(d.saveButton->isEnabled());

  d.layoutGroup->item(1)->click();
  EXPECT_EQ(d.gridGroup->itemIndex(), 1);
  EXPECT_FALSE(d.gridGroup->isEnabled());
  EXPECT_TRUE(d.maxWidthEdit->isHidden());
  d.layoutGroup->item(0)->click();
  EXPECT_EQ(d.gridGroup->itemIndex(), 0);
  d.sizeGroup->item(2)->click();
  EXPECT_EQ(d.widthEdit->text(), QStringLiteral("9.5"));
  EXPECT_EQ(d.heightEdit->text(), QStringLiteral("4.13"));
  EXPECT_FALSE(d.widthEdit->isEnabled());
  QTest::keyClicks(d.leftEdit, QStringLiteral("a2.5"));
  EXPECT_EQ(d.leftEdit->text(), QStringLiteral("12.5"));
  QTest::keyClicks(d.maxWidthEdit, QStringLiteral(".3"));
  EXPECT_EQ(d.maxWidthEdit->text(), QStringLiteral("203"));
}

TEST_F(ReportDialogTest, PrintChecksThePageThenPrintsAndSaveAsksForANewName) {
  currentReport().columns = {0, 2};
  currentReport().title = QStringLiteral("Dialog Report");
  ReportDialog d(source_);
  d.leftEdit->setText(QStringLiteral("4"));
  d.rightEdit->setText(QStringLiteral("4"));
  QTest::mouseClick(d.printButton, Qt::LeftButton);
  ASSERT_EQ(prompter_.shown.size(), 1u);
  EXPECT_EQ(prompter_.shown[0].kind, MsgKind::Warning);
  EXPECT_EQ(prompter_.shown[0].text,
            QStringLiteral("Left/Right Margins too large or Page Width too small!"));

  d.leftEdit->setText(QStringLiteral("1"));
  d.rightEdit->setText(QStringLiteral("1"));
  const QString pdf = box_.file(QStringLiteral("out.pdf"));
  const PrinterChooser dialogChooser = printerChooser();
  printerChooser() = [&](QPrinter& printer, QWidget*) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  };
  QTest::mouseClick(d.printButton, Qt::LeftButton);
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
  ASSERT_TRUE(text.waitForFinished(30000));
  const QString printed = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_TRUE(printed.contains(QStringLiteral("Dialog Report")));
  EXPECT_TRUE(printed.contains(QStringLiteral("6,172.50")));

  SettingsSandbox::write(reportFilePath(), QByteArray::fromHex("0100"));
  prompter_.inputs = {QString(), QStringLiteral("Mine"), std::nullopt};
  QTest::mouseClick(d.saveButton, Qt::LeftButton);
  EXPECT_EQ(prompter_.asked[0].caption, QStringLiteral("Save Report Template"));
  EXPECT_EQ(prompter_.asked[0].prompt, QStringLiteral("Enter Report Name:"));
  EXPECT_EQ(prompter_.shown.back().text,
            QStringLiteral("This Name Is Already In Use. Please Try Again."));
  ReportList saved;
  QString error;
  ASSERT_TRUE(saved.load(reportFilePath(), &error));
  ASSERT_EQ(saved.count(), 1);
  EXPECT_EQ(saved.at(0).name, QStringLiteral("Mine"));
  EXPECT_EQ(saved.at(0).columns, (std::vector<int32_t>{0, 2}));
  printerChooser() = dialogChooser;
}

// Deleting in the load dialog reaches report.dat only on OK; OK without a
// selection leaves the current definition alone.
TEST_F(ReportDialogTest, LoadDialogDeletesOnlyOnOkAndLoadsTheSelection) {
  ReportList list;
  for (const char* name : {"One", "Two", "Three"}) {
    ReportRec rec;
    rec.name = QString::fromLatin1(name);
    rec.title = rec.name;
    list.append(rec);
  }
  QString error;
  ASSERT_TRUE(list.save(reportFilePath(), &error));
  const QByteArray before = SettingsSandbox::read(reportFilePath());
  const auto visit = [](auto&& act) {
    auto d = ReportLoadDialog::create(nullptr);
    EXPECT_TRUE(d);
    if (d) act(*d);
  };
  visit([&](ReportLoadDialog& d) {
    EXPECT_EQ(d.templateList->count(), 3);
    prompter_.answers = {MsgResult::Yes, MsgResult::Yes};
    for (int i = 0; i < 2; ++i) {
      d.templateList->setCurrentRow(0);
      QTest::mouseClick(d.deleteButton, Qt::LeftButton);
    }
    d.reject();
  });
  EXPECT_EQ(prompter_.shown.back().text, QStringLiteral("Delete Selected Item?"));
  EXPECT_EQ(prompter_.shown.back().kind, MsgKind::Warning);
  EXPECT_EQ(SettingsSandbox::read(reportFilePath()), before);
  visit([&](ReportLoadDialog& d) {
    prompter_.answers = {MsgResult::Yes};
    d.templateList->setCurrentRow(0);
    QTest::mouseClick(d.deleteButton, Qt::LeftButton);
    d.templateList->clearSelection();
    QTest::mouseClick(d.okButton, Qt::LeftButton);
  });
  EXPECT_TRUE(currentReport().title.isEmpty());
  visit([&](ReportLoadDialog& d) {
    ASSERT_EQ(d.templateList->count(), 2);
    d.templateList->setCurrentRow(1);
    QTest::mouseClick(d.okButton, Qt::LeftButton);
  });
  EXPECT_EQ(currentReport().name, QStringLiteral("Three"));
  SettingsSandbox::write(reportFilePath(), QByteArray::fromHex("01ff"));
  EXPECT_FALSE(ReportLoadDialog::create(nullptr));
  EXPECT_EQ(prompter_.shown.back().text, QStringLiteral("Stream read error"));
}

}  // namespace
