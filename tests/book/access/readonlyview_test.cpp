#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "book/combined/combinedview.h"
#include "book/contents/contentsview.h"
#include "book/recordpage.h"
#include "book/recordpages/recordpagesview.h"
#include "book/viewhost.h"
#include "query/filter/filtercondition.h"
#include "query/filter/filterlist.h"
#include "query/find/findsearch.h"
#include "query/markingpass.h"
#include "store/database.h"
#include "store/letters.h"
#include "store/sortstate.h"
#include "support/mainviews.h"
#include "support/scriptedprompter.h"
#include "support/tempdir.h"
#include "support/viewsandbox.h"
#include "users/passworddialog.h"

namespace {

// Every file of a directory tree, by its path inside the tree.
QMap<QString, QByteArray> filesOf(const QString& dir) {
  QMap<QString, QByteArray> out;
  QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    out[QDir(dir).relativeFilePath(path)] = SettingsSandbox::read(path);
  }
  return out;
}

void typeInto(QWidget* editor, const QString& text) {
  if (auto* e = qobject_cast<QLineEdit*>(editor)) e->setText(text);
}

// A user with read-only rights on the public database tries every route that
// writes in both book models; the public directory keeps every byte.
class ReadOnlyUser : public ::testing::Test {
 protected:
  void SetUp() override {
    useBuildProgramDir(box);
    registerBookViews();
    installFilter();
    AppSettings& s = appSettings();
    s.deleteMode = 1;  // deletes without asking
    s.databaseDir = joinPath(s.dataRootDir, AppSettings::dataSubdir);
    QDir().mkpath(s.databaseDir);
    makeBookTable(titledRows({"Alpha", "Bravo", "Charlie"}), true);
    makeCatalogue(3);
    // A session with full rights leaves copy.dbf and a record in the buffer.
    {
      auto* view = new CombinedView;
      setCurrentView(view);
      view->show();
      ASSERT_TRUE(view->databaseOpen());
      view->onCopyClicked();
      view->switchingModel = true;
      delete view;
    }
    ASSERT_TRUE(s.copyBufferFull);
    s.accessRights = 2;
    letterCounts().fill(0);
    before = filesOf(s.databaseDir);
    ASSERT_TRUE(before.contains("copy.dbf"));
    prompts.answers.assign(50, MsgResult::Yes);  // every question answered yes
    prompts.inputs.assign(10, QString("YES"));
  }
  void TearDown() override {
    filterList().clear();
    sortState() = SortState{};
  }

  // Filter marks and the search's marks.
  void markingPasses(DbTable& records) {
    filterList().clear();
    filterList().addCondition(2);
    filterList().setCondition(0, "b", "", fkText, foGreaterOrEqual);
    EXPECT_EQ(filterList().apply().error, kReadOnlyMarksMessage.toStdString());
    FindSearch search(records);
    search.text = "a";
    EXPECT_EQ(search.markAll("Searching").error, kReadOnlyMarksMessage.toStdString());
  }

  SettingsSandbox box;
  ScriptedPrompter prompts;
  QMap<QString, QByteArray> before;
};

TEST_F(ReadOnlyUser, CombinedViewWritesNothing) {
  auto* view = new CombinedView;
  setCurrentView(view);
  view->show();
  ASSERT_TRUE(view->databaseOpen());
  EXPECT_TRUE(view->windowTitle().endsWith(" [Read Only Mode]"));
  for (QToolButton* b :
       {view->recordPage->deleteButton, view->recordPage->pasteButton, view->recordPage->copyButton,
        view->recordPage->undoButton, view->newButton, view->maintenanceButton})
    EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
  view->onMaintenanceClicked();  // would wait for its window if it opened
  // Keys first, then each handler as if its control had been left on.
  for (int key : {Qt::Key_Delete, Qt::Key_C, Qt::Key_P, Qt::Key_U, Qt::Key_Y})
    QTest::keyClick(view, Qt::Key(key), Qt::AltModifier);
  typeInto(view->recordPage->editors[0], "Changed");
  view->onNextClicked();
  view->onPasteClicked();
  view->onCopyClicked();
  view->onUndoClicked();
  view->onDeleteClicked();
  for (int slot : {0, 1, 5}) {
    view->onPasteRecordClicked(slot);
    view->onCopyRecordClicked(slot);
    view->onDeleteRecordClicked(slot);
  }
  view->onNewClicked();
  typeInto(view->recordPage->editors[0], "New book");
  view->onPreviousClicked();
  view->applyFilter();
  EXPECT_TRUE(prompts.texts().contains(kReadOnlyMarksMessage));
  markingPasses(view->tables().records);
  // Changing one's own password stays open to a reader.
  appSettings().isSupervisor = true;
  // The new password, then again: each answer queues the next.
  std::function<void(int)> answer = [&answer](int left) {
    QTimer::singleShot(0, [&answer, left] {
      auto* d = qobject_cast<PasswordDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr);
      d->passwordEdit->setText("chief");
      if (left > 1) answer(left - 1);
      d->okButton->click();
    });
  };
  answer(2);
  ASSERT_TRUE(view->passwordButton->isEnabled());
  view->passwordButton->click();
  EXPECT_EQ(appSettings().supervisorPassword, QStringLiteral("chief"));
  view->close();  // saves what a closing view saves
  EXPECT_EQ(filesOf(joinPath(appSettings().dataRootDir, AppSettings::dataSubdir)), before);
}

TEST_F(ReadOnlyUser, ContentsAndRecordPagesWriteNothing) {
  auto view = std::make_unique<ContentsView>();
  setCurrentView(view.get());
  view->show();
  ASSERT_TRUE(view->databaseOpen());
  EXPECT_TRUE(view->windowTitle().endsWith(" [Read Only Mode]"));
  for (int slot : {0, 1, 5}) {
    view->onPasteRecordClicked(slot);
    view->onCopyRecordClicked(slot);
    view->onDeleteRecordClicked(slot);
  }
  EXPECT_FALSE(view->maintenanceAction->isEnabled());
  view->onMaintenanceClicked();
  view->onNewClicked();
  view->onEntryClicked(0);
  RecordPagesView* pages = view->recordPages;
  ASSERT_TRUE(pages->isVisible());
  for (QToolButton* b : {pages->leftDeleteButton, pages->leftPasteButton, pages->leftCopyButton,
                         pages->leftUndoButton, pages->rightDeleteButton, pages->newButton})
    EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
  for (auto mods : {Qt::ControlModifier, Qt::AltModifier})
    for (int key : {Qt::Key_Delete, Qt::Key_O, Qt::Key_P, Qt::Key_U})
      QTest::keyClick(pages, Qt::Key(key), mods);
  typeInto(pages->leftEditors[0], "Changed");
  typeInto(pages->rightEditors[0], "Changed too");
  for (int page : {0, 1}) {
    pages->onPasteClicked(page);
    pages->onCopyClicked(page);
    pages->onUndoClicked(page);
    pages->onDeleteClicked(page);
  }
  EXPECT_TRUE(pages->savePair());
  pages->onNewClicked();
  typeInto(pages->leftEditors[0], "New book");
  pages->onPageDownClicked();
  view->applyFilter();
  markingPasses(view->tables().records);
  view->close();
  EXPECT_EQ(filesOf(joinPath(appSettings().dataRootDir, AppSettings::dataSubdir)), before);
}

}  // namespace
