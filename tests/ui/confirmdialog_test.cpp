#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ui/confirmdialog.h"

namespace {

int typeAndClose(const QString& typed, bool ok) {
  ConfirmDialog dlg;
  dlg.show();
  QTest::keyClicks(dlg.answerEdit, typed);
  QTest::mouseClick(ok ? dlg.okButton : dlg.cancelButton, Qt::LeftButton);
  return dlg.result();
}

TEST(ConfirmDialog, OnlyYesOnOkConfirms) {
  EXPECT_EQ(typeAndClose("YES", true), QDialog::Accepted);
  EXPECT_EQ(typeAndClose("yes", true), QDialog::Accepted);  // typed text is raised
  EXPECT_EQ(typeAndClose("YE", true), QDialog::Rejected);
  EXPECT_EQ(typeAndClose("YESS", true), QDialog::Accepted);  // the edit takes three letters
  EXPECT_EQ(typeAndClose("NO", true), QDialog::Rejected);
  EXPECT_EQ(typeAndClose("YES", false), QDialog::Rejected);
}

TEST(ConfirmDialog, TextsAndReuse) {
  ConfirmDialog dlg;
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Confirm Action"));
  EXPECT_EQ(dlg.firstLineLabel->text(),
            QStringLiteral("If you want to Delete the selected Record please"));
  EXPECT_EQ(dlg.promptLabel->text(), QStringLiteral("type in 'YES':"));
  EXPECT_EQ(dlg.warningLabel->text(), QStringLiteral("WARNING! Record Deletion cannot be Undone!"));
  EXPECT_EQ(dlg.answerEdit->maxLength(), 3);
  dlg.setLines("If you want to Delete ALL Records please", "");
  EXPECT_EQ(dlg.firstLineLabel->text(), QStringLiteral("If you want to Delete ALL Records please"));
  EXPECT_EQ(dlg.warningLabel->text(), QStringLiteral("WARNING! Record Deletion cannot be Undone!"));
}

}  // namespace
