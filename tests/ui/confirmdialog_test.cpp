#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <vector>

#include "ui/confirmdialog.h"
#include "ui/qtprompter.h"

namespace {

int typeAndClose(const QString& typed, bool ok, bool keepCase = false) {
  ConfirmDialog dlg;
  if (keepCase) dlg.keepTypedCase();
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
  // Guarding whole tables, the word must be typed in capitals.
  EXPECT_EQ(typeAndClose("YES", true, true), QDialog::Accepted);
  EXPECT_EQ(typeAndClose("yes", true, true), QDialog::Rejected);
  EXPECT_EQ(typeAndClose("Yes", true, true), QDialog::Rejected);
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

// A search window stays on top of the views: a box or dialog opened while it
// shows stays on top too, or it would open beneath it.
TEST(ConfirmDialog, BoxesAndDialogsOpenAboveAWindowKeptOnTop) {
  QDialog floating(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint);
  QtPrompter prompter;
  std::vector<bool> onTop;
  for (bool floatingShown : {false, true}) {
    floating.setVisible(floatingShown);
    QTimer::singleShot(0, [&onTop] {
      auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      onTop.push_back(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
      box->reject();
    });
    prompter.message(MsgKind::Information, MsgButtons::Ok, QStringLiteral("No Records Found!"), 0);
    ConfirmDialog dlg;
    onTop.push_back(dlg.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  }
  EXPECT_EQ(onTop, (std::vector<bool>{false, false, true, true}));
}

}  // namespace
