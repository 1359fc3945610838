#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <tuple>

#include "book/contents/contentsview.h"
#include "book/recordpages/recordpagesview.h"
#include "print/printcommand.h"
#include "print/reportdialog.h"
#include "print/reportrun.h"
#include "store/sortstate.h"
#include "support/scriptedprompter.h"
#include "support/viewsandbox.h"
#include "ui/colorbutton.h"
#include "ui/contentsentry.h"

namespace {

// The view's print command reports every record of the listing, whichever
// letter the view stands on, and the view stands on that letter afterwards;
// Print Record prints the entry's record alone.
TEST(PrintCommand, ReportCoversEveryLetterAndTheViewKeepsItsOwn) {
  SettingsSandbox box;
  ScriptedPrompter prompts;
  useBuildProgramDir(box);
  makeBookTable(titledRows({"Canal", "Cedar", "Delta", "Zebra"}), true);
  currentReport() = ReportRec{};
  currentReport().columns = {0};
  currentReport().title = QStringLiteral("Everything");
  auto form = std::make_unique<ContentsView>();
  form->show();
  ASSERT_TRUE(form->databaseOpen());
  QTest::mouseClick(form->letterButtons[2], Qt::LeftButton);

  const QString pdf = box.file(QStringLiteral("view.pdf"));
  const PrinterChooser dialogChooser = printerChooser();
  printerChooser() = [&](QPrinter& printer, QWidget*) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return true;
  };
  bool recordOnly = false;
  std::function<void()> answer = [&] {
    QWidget* w = QApplication::activeModalWidget();
    if (auto* choice = qobject_cast<PrintChoiceDialog*>(w)) {
      choice->accept();
      if (recordOnly) return;  // no report dialog follows
    } else if (auto* dialog = qobject_cast<ReportDialog*>(w)) {
      dialog->printButton->click();
      dialog->reject();
      return;
    }
    QTimer::singleShot(10, answer);
  };
  QTimer::singleShot(0, answer);
  QTest::mouseClick(form->printButton, Qt::LeftButton);

  QProcess text;
  text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
  ASSERT_TRUE(text.waitForFinished(30000));
  const QString printed = QString::fromUtf8(text.readAllStandardOutput());
  for (const char* title : {"Everything", "Canal", "Cedar", "Delta", "Zebra"})
    EXPECT_TRUE(printed.contains(QLatin1String(title))) << title;
  EXPECT_EQ(form->currentLetter(), 'C');
  EXPECT_EQ(form->leftEntries[0]->text(0), QStringLiteral("Canal"));
  EXPECT_TRUE(form->leftEntries[2]->text(0).isEmpty());

  // The entry menu's Print Record prints that entry's record alone.
  QTest::keyClick(form.get(), Qt::Key_F3);
  form->entryMenu->hide();
  QFile::remove(pdf);
  recordOnly = true;
  QTimer::singleShot(0, answer);
  form->entryPrintAction->trigger();
  text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
  ASSERT_TRUE(text.waitForFinished(30000));
  const QString record = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_TRUE(record.contains(QStringLiteral("Canal")));
  EXPECT_TRUE(record.contains(QStringLiteral("Author 1")));
  EXPECT_FALSE(record.contains(QStringLiteral("Cedar")));

  // On the record pages, each page prints its own record.
  form->onEntryClicked(1);
  RecordPagesView* pages = form->recordPages;
  ASSERT_TRUE(pages->isVisible());
  for (const auto& [button, title, other] :
       {std::tuple{pages->rightPrintButton, "Cedar", "Canal"},
        std::tuple{pages->leftPrintButton, "Canal", "Cedar"}}) {
    QFile::remove(pdf);
    QTimer::singleShot(0, answer);
    QTest::mouseClick(button, Qt::LeftButton);
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString page = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(page.contains(QLatin1String(title))) << title;
    EXPECT_FALSE(page.contains(QLatin1String(other))) << title;
  }
  // The pair is shown again, its records held as before.
  EXPECT_EQ(pages->leftPageNumber->text() + "/" + pages->rightPageNumber->text(), "1/2");
  EXPECT_FALSE(pages->inUse(0));
  pages->close();
  printerChooser() = dialogChooser;
  form.reset();
  sortState() = SortState{};
  currentReport() = ReportRec{};
}

}  // namespace
