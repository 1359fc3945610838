#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "support/qtapp.h"
#include "support/scriptedprompter.h"
#include "ui/editors/buttonedit.h"
#include "ui/editors/currencyedit.h"
#include "ui/editors/dateedit.h"
#include "ui/editors/diredit.h"
#include "ui/pageeditors.h"

namespace {

// The edits of the button-edit family on a small window of their own.
class ButtonEdits : public ::testing::Test {
 protected:
  void SetUp() override {
    testApp();
    window_.resize(260, 80);
    other_ = new QLineEdit(&window_);
    other_->setGeometry(0, 40, 100, 24);
  }
  void show() {
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  }
  QWidget window_;
  QLineEdit* other_ = nullptr;
  ScriptedPrompter prompts_;
};

TEST_F(ButtonEdits, TheButtonSitsInsideTheRightEdgeAndTypingStaysClearOfIt) {
  ClickEdit edit(&window_);
  edit.setGeometry(0, 0, 120, 24);
  edit.setButtonHint(QStringLiteral("Click here"));
  QSignalSpy clicks(&edit, &ClickEdit::buttonClicked);
  const QRect button = edit.button()->geometry();
  EXPECT_EQ(button.width(), EditButton::kWidth);
  EXPECT_LE(button.right(), 119);
  EXPECT_EQ(edit.textMargins().right(), EditButton::kWidth + 1);
  EXPECT_EQ(edit.button()->toolTip(), QStringLiteral("Click here"));
  QTest::mouseClick(edit.button(), Qt::LeftButton);
  EXPECT_EQ(clicks.count(), 1);
  edit.setButtonVisible(false);
  EXPECT_EQ(edit.textMargins().right(), 0);
  QTest::keyClicks(&edit, QStringLiteral("a\rb"));
  EXPECT_EQ(edit.text(), QStringLiteral("ab"));
}

TEST_F(ButtonEdits, DirectoryEditChoosesThroughThePromptAndRefusesToBeLeftOnNoDirectory) {
  QTemporaryDir dir;
  DirEdit edit(&window_);
  edit.setGeometry(0, 0, 200, 24);
  show();
  prompts_.files.push_back(dir.path());
  QTest::mouseClick(edit.button(), Qt::LeftButton);
  EXPECT_EQ(edit.text(), dir.path());
  edit.setFocus(Qt::TabFocusReason);
  other_->setFocus(Qt::TabFocusReason);
  EXPECT_TRUE(prompts_.shown.empty());
  edit.setText(dir.filePath(QStringLiteral("missing")));
  edit.setFocus(Qt::TabFocusReason);
  other_->setFocus(Qt::TabFocusReason);
  ASSERT_EQ(prompts_.shown.size(), 1u);
  EXPECT_EQ(prompts_.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(prompts_.shown[0].text, QStringLiteral("Invalid directory!"));
  EXPECT_EQ(QApplication::focusWidget(), &edit);
}

TEST_F(ButtonEdits, TextADateOrAmountEditCannotTakeIsShownReadOnlyAndReadBackAsItWas) {
  DateEdit date(&window_);
  CurrencyEdit amount(&window_);
  setEditorText(&date, QStringLiteral("not a date"));
  setEditorText(&amount, QStringLiteral("n/a"));
  EXPECT_EQ(editorText(&date), QStringLiteral("not a date"));
  EXPECT_EQ(editorText(&amount), QStringLiteral("n/a"));
  EXPECT_TRUE(date.isReadOnly());
  EXPECT_TRUE(amount.isReadOnly());
  date.showCalendar();  // nothing opens on a read-only edit
  setEditorText(&date, QStringLiteral("12/31/1997"));
  setEditorText(&amount, QString());
  EXPECT_FALSE(date.isReadOnly());
  EXPECT_EQ(editorText(&date), QStringLiteral("12/31/1997"));
  EXPECT_EQ(amount.text(), QStringLiteral("0.00"));
  EXPECT_EQ(editorText(&amount), QStringLiteral("0.00"));
}

}  // namespace
