#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "deletedlg1.h"

namespace {

int TypeAndClose(const QString& typed, bool ok) {
  TDeleteDlg1 dlg;
  dlg.show();
  QTest::keyClicks(dlg.Edit1, typed);
  QTest::mouseClick(ok ? dlg.B_OK : dlg.B_Cancel, Qt::LeftButton);
  return dlg.result();
}

TEST(DeleteDlg1, OnlyYesOnOkConfirms) {
  EXPECT_EQ(TypeAndClose("YES", true), QDialog::Accepted);
  EXPECT_EQ(TypeAndClose("yes", true), QDialog::Accepted);  // typed text is raised
  EXPECT_EQ(TypeAndClose("YE", true), QDialog::Rejected);
  EXPECT_EQ(TypeAndClose("YESS", true), QDialog::Accepted);  // the edit takes three letters
  EXPECT_EQ(TypeAndClose("NO", true), QDialog::Rejected);
  EXPECT_EQ(TypeAndClose("YES", false), QDialog::Rejected);
}

TEST(DeleteDlg1, TextsAndReuse) {
  TDeleteDlg1 dlg;
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Confirm Action"));
  EXPECT_EQ(dlg.Label1->text(), QStringLiteral("If you want to Delete the selected Record please"));
  EXPECT_EQ(dlg.Label2->text(), QStringLiteral("type in 'YES':"));
  EXPECT_EQ(dlg.WarningLbl->text(), QStringLiteral("WARNING! Record Deletion cannot be Undone!"));
  EXPECT_EQ(dlg.Edit1->maxLength(), 3);
  dlg.SetLines("If you want to Delete ALL Records please", "");
  EXPECT_EQ(dlg.Label1->text(), QStringLiteral("If you want to Delete ALL Records please"));
  EXPECT_EQ(dlg.WarningLbl->text(), QStringLiteral("WARNING! Record Deletion cannot be Undone!"));
}

}  // namespace
