// An index found damaged while a book view shows the records: answered No,
// the view goes read-only and lists the records in the order they were entered.

#include <gtest/gtest.h>

#include <QTest>
#include <QToolButton>
#include <memory>

#include "book/combined/combinedview.h"
#include "book/contents/contentsview.h"
#include "support/indexdamage.h"
#include "support/scriptedprompter.h"
#include "support/tempdir.h"
#include "support/viewsandbox.h"
#include "ui/contentsentry.h"

namespace {

std::unique_ptr<BookView> makeView(int model) {
  if (model == 0) return std::make_unique<CombinedView>();
  return std::make_unique<ContentsView>();
}

TEST(DamagedIndexView, AnsweredNoTheViewGoesReadOnlyAndListsUnsorted) {
  for (const int model : {0, 1}) {
    SCOPED_TRACE(model == 0 ? "one level" : "two levels");
    SettingsSandbox box;
    useBuildProgramDir(box);
    ScriptedPrompter prompts;
    makeBookTable(titledRows({"Charlie", "Alpha", "Bravo"}), true);
    makeView(model)->show();  // makes the tag of the title sort
    ASSERT_TRUE(prompts.shown.empty());
    indexdamage::breakRootsOf(nativePath(joinPath(appSettings().databaseDir, "data.mdx")));

    prompts.answers = {MsgResult::No};
    auto view = makeView(model);
    view->show();
    ASSERT_TRUE(view->databaseOpen());
    QTRY_VERIFY(view->windowTitle().endsWith(" [Read Only Mode]"));
    ASSERT_EQ(prompts.shown.size(), 1u) << prompts.texts().join("\n").toStdString();
    EXPECT_TRUE(prompts.shown[0].text.startsWith("The index of data.dbf cannot be used:\r"));
    EXPECT_FALSE(view->newButton->isEnabled());
    EXPECT_EQ(view->entries[0]->text(0), "Charlie");
    EXPECT_EQ(view->entries[2]->text(0), "Bravo");
    view.reset();
    sortState() = SortState{};
  }
}

}  // namespace
