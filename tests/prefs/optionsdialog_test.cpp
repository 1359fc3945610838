#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include "core/labels.h"
#include "prefs/optionsdialog.h"
#include "print/radiogroup.h"
#include "support/scriptedprompter.h"
#include "support/tempdir.h"

namespace {

class OptionsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppSettings& s = appSettings();
    s.homeDir = s.databaseDir;
    QDir().mkpath(s.databaseDir);
    labels() = {"Book Title", "Author"};
  }
  void TearDown() override { labels().clear(); }

  void clickRow(QListWidget* list, int row) {
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
  }

  SettingsSandbox box_;
  ScriptedPrompter prompts_;
};

TEST_F(OptionsDialogTest, PagesBeyondColorsAreTheSupervisorsOnly) {
  for (const bool supervisor : {false, true}) {
    appSettings().isSupervisor = supervisor;
    prompts_.shown.clear();
    OptionsDialog dlg;
    dlg.show();
    EXPECT_EQ(dlg.pageTabs->count(), 5);
    EXPECT_FALSE(dlg.previousButton->isVisible());
    QTest::mouseClick(dlg.nextButton, Qt::LeftButton);
    QTest::mouseClick(dlg.nextButton, Qt::LeftButton);
    EXPECT_EQ(dlg.pages->currentIndex(), 2);
    EXPECT_EQ(dlg.nextButton->isVisible(), supervisor);
    dlg.pageTabs->setCurrentIndex(4);
    EXPECT_EQ(dlg.pages->currentIndex(), supervisor ? 4 : 2);
    EXPECT_EQ(dlg.pageTabs->currentIndex(), supervisor ? 4 : 2);
    EXPECT_FALSE(dlg.nextButton->isVisible());
    EXPECT_EQ(prompts_.texts(),
              supervisor ? QStringList{} : QStringList{prefs::pageRefusedMessage()});
    // Multi-user brings the accounts; 1-user reads and writes the public files.
    RadioGroup* users = dlg.group(&AppSettings::usersCount);
    RadioGroup* access = dlg.group(&AppSettings::publicAccess);
    users->setItemIndex(1);
    EXPECT_TRUE(dlg.accountsButton->isEnabled());
    access->setItemIndex(3);
    users->setItemIndex(0);
    EXPECT_FALSE(access->isEnabled());
    EXPECT_EQ(access->itemIndex(), 1);
    dlg.close();
  }
}

TEST_F(OptionsDialogTest, CloseAppliesLabelsAndTheColourClicked) {
  AppSettings& s = appSettings();
  OptionsDialog dlg;
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
  dlg.labelList->setCurrentRow(1);
  QTest::keyClicks(dlg.newLabelEdit, "book title");
  QTest::mouseClick(dlg.changeButton, Qt::LeftButton);
  EXPECT_EQ(prompts_.texts(), QStringList{"Duplicate Labels are not Allowed!"});
  dlg.newLabelEdit->setText("Auteur é");
  QTest::mouseClick(dlg.changeButton, Qt::LeftButton);
  EXPECT_EQ(dlg.labelList->item(1)->text(), "Auteur é");
  EXPECT_TRUE(dlg.labelList->hasFocus());
  clickRow(dlg.elementList, 24);
  EXPECT_EQ(dlg.colorGrid->currentRow(), 1);
  clickRow(dlg.colorGrid, 9);
  EXPECT_EQ(s.elementColors[24], 9);
  EXPECT_EQ(labels()[1], "Author");
  QTest::mouseClick(dlg.closeButton, Qt::LeftButton);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_TRUE(dlg.colorsChanged());
  EXPECT_EQ(labels()[1], "Auteur é");
  EXPECT_EQ(SettingsSandbox::read(joinPath(s.homeDir, "labels.dat")),
            QByteArray("Book Title\r\nAuteur \xE9\r\n"));
  EXPECT_EQ(SettingsSandbox::read(joinPath(s.databaseDir, "color.lst")).at(24), 9);
}

TEST_F(OptionsDialogTest, TemplatesSavedLoadedAndDeleted) {
  AppSettings& s = appSettings();
  const QString path = joinPath(s.homeDir, "color_t.tml");
  OptionsDialog dlg;
  dlg.show();
  for (const char* name : {"Dark", "Plain", "Dark"}) {
    clickRow(dlg.elementList, 0);
    clickRow(dlg.colorGrid, QByteArray(name) == "Dark" ? 15 : 0);
    prompts_.inputs = {QString::fromLatin1(name)};
    QTest::mouseClick(dlg.saveButton, Qt::LeftButton);
  }
  EXPECT_EQ(prompts_.asked.at(0).caption, "Save Colors As Template");
  EXPECT_EQ(prompts_.asked.at(0).prompt, "Template Name:");
  EXPECT_EQ(prompts_.texts(), QStringList{"Duplicate name - template not saved!"});
  colors::ColorList saved;
  saved.load(path);
  EXPECT_EQ(saved.names(), QStringList({"Dark", "Plain"}));
  EXPECT_EQ(saved.at(0).colors[0], 15);

  // Delete "Dark", load "Plain": the deletion lasts with OK.
  prompts_.answers = {MsgResult::Yes};
  QTimer::singleShot(0, [] {
    auto* load = qobject_cast<LoadColorsDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(load, nullptr);
    EXPECT_EQ(load->templateList->currentRow(), 0);
    QTest::mouseClick(load->deleteButton, Qt::LeftButton);
    EXPECT_EQ(load->templateList->currentRow(), 0);
    QTest::mouseClick(load->okButton, Qt::LeftButton);
  });
  clickRow(dlg.elementList, 3);
  QTest::mouseClick(dlg.loadButton, Qt::LeftButton);
  EXPECT_EQ(prompts_.texts().last(), "Delete Selected Color Template?");
  EXPECT_EQ(dlg.elementList->currentRow(), 0);
  EXPECT_EQ(s.elementColors[0], 0);
  saved.load(path);
  EXPECT_EQ(saved.names(), QStringList{"Plain"});
  dlg.close();
}

}  // namespace
