// The views' Load and Maintenance commands, wired through their windows.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "book/catalogue/editdatabasedialog.h"
#include "book/catalogue/loaddatabasedialog.h"
#include "book/combined/combinedview.h"
#include "book/viewhost.h"
#include "store/maintenance.h"
#include "support/bookviewfixture.h"
#include "support/mainviews.h"
#include "ui/confirmdialog.h"
#include "ui/contentsentry.h"

namespace {

void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

// Runs `act` on the modal window that opens next.
void whenModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* w = QApplication::activeModalWidget();
    ASSERT_NE(w, nullptr);
    act(w);
  });
}

// Types `word` into the confirmation window that opens next and presses OK.
void answerConfirm(const QString& word) {
  whenModal([word](QWidget* w) {
    auto* dlg = qobject_cast<ConfirmDialog*>(w);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle(), "Confirm");
    QTest::keyClicks(dlg->answerEdit, word);
    click(dlg->okButton);
  });
}

class DatabaseCommands : public BookViewTest {
 protected:
  void SetUp() override {
    BookViewTest::SetUp();
    registerBookViews();
    appSettings().bookModel = 0;
  }
  void TearDown() override {
    if (BookView* v = currentView()) {
      v->switchingModel = true;
      delete v;
    }
    delete guard.data();
    BookViewTest::TearDown();
  }
  void open() {
    view = new CombinedView;
    guard = view;
    setCurrentView(view);
    view->show();
    ASSERT_TRUE(view->databaseOpen());
  }
  // Clicks a maintenance button with the window open, then closes it.
  void maintain(const char* button, std::function<void()> before = {}) {
    whenModal([button, before](QWidget* w) {
      if (before) before();
      click(w->findChild<QPushButton*>(button));
      click(w->findChild<QPushButton*>("OKBtn"));
    });
    view->onMaintenanceClicked();
  }

  CombinedView* view = nullptr;
  QPointer<CombinedView> guard;
};

TEST_F(DatabaseCommands, NewDatabaseIsLoadedInPlaceAndSmallYesDeletesNothing) {
  makeTable({"Alpha", "Beta"});
  open();
  whenModal([](QWidget* w) {
    auto* load = qobject_cast<LoadDatabaseDialog*>(w);
    ASSERT_NE(load, nullptr);
    EXPECT_TRUE(load->privateButton->isChecked());
    whenModal([](QWidget* e) {
      auto* edit = qobject_cast<EditDatabaseDialog*>(e);
      ASSERT_NE(edit, nullptr);
      EXPECT_EQ(edit->windowTitle(), "Create New Database");
      edit->nameEdit->setText(QStringLiteral("Caf\u00E9"));
      click(edit->okButton);
    });
    click(load->newButton);
    ASSERT_EQ(load->databaseList->count(), 2);
    EXPECT_EQ(load->databaseList->currentRow(), 1);
    click(load->loadButton);
  });
  click(view->loadButton);
  EXPECT_EQ(appSettings().tableName, "data_1.dbf");
  EXPECT_TRUE(view->windowTitle().endsWith(QStringLiteral("Database: Caf\u00E9")));
  EXPECT_EQ(view->entries[0]->text(0), "");

  // The first database is free now, but "yes" is not YES.
  whenModal([](QWidget* w) {
    auto* load = qobject_cast<LoadDatabaseDialog*>(w);
    load->databaseList->setCurrentRow(0);
    answerConfirm("yes");
    click(load->deleteButton);
    EXPECT_EQ(load->databaseList->count(), 2);
    click(load->cancelButton);
  });
  click(view->loadButton);
  EXPECT_TRUE(QFile::exists(table()));
  EXPECT_TRUE(prompts.texts().isEmpty());
}

TEST_F(DatabaseCommands, MaintenanceIsRefusedWhileAnotherProgramHasTheTableAndBacksUpAfter) {
  makeTable(numbered(3));
  open();
  QProcess holder;
  holder.start(QStringLiteral(TOMES_LOCKHOLDER), {table(), "2"});
  ASSERT_TRUE(holder.waitForReadyRead(10000));
  ASSERT_EQ(holder.readAllStandardOutput().trimmed(), "locked");
  prompts.answers.push_back(MsgResult::Yes);
  maintain("Button3");  // pack
  maintain("Button9");  // delete selected, no filter
  EXPECT_EQ(
      prompts.texts(),
      (QStringList{"Packing the Database may be time consuming. Are you sure you want to do "
                   "this?",
                   kMsgFunctionFailed, "You have to set a Normal or Reversed Filter first!"}));
  holder.kill();
  holder.waitForFinished();

  prompts.shown.clear();
  maintain("Button6", [] { answerConfirm("YES"); });
  EXPECT_EQ(prompts.texts(), QStringList{"Table Backed Up Successfully."});
  EXPECT_EQ(stored(2).size(), 3u);
  dbase::Table backup;
  backup.open(nativePath(joinPath(joinPath(appSettings().databaseDir, "BACKUP"), "data.dbf")),
              dbase::OpenMode::Shared, true);
  EXPECT_EQ(backup.recordCount(), 3u);
  EXPECT_TRUE(view->databaseOpen());
  EXPECT_EQ(view->entries[0]->text(0), "Book 000");
}

}  // namespace
