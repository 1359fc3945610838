#include "ui/columnheader.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "core/labels.h"
#include "core/settings.h"
#include "core/templatelist.h"
#include "support/scriptedprompter.h"

namespace {

const QStringList kLabels = {"Book Title", "Author", "Category", "Publisher", "Notes", "Picture"};

QStringList texts(const QMenu* menu) {
  QStringList out;
  for (const QAction* a : menu->actions())
    out << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return out;
}

class HeaderWidget : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = appSettings();
    savedLabels_ = labels();
    appSettings().homeDir = home_.path();
    appSettings().firstUserField = 2;
    appSettings().memoFields.reset();
    appSettings().blobFields.reset();
    appSettings().memoFields.set(2 + 4);  // Notes
    appSettings().blobFields.set(2 + 5);  // Picture
    labels() = kLabels;
    header_ = std::make_unique<ColumnHeader>();
    header_->setTemplateList(&templates_);
    header_->resize(262, 20);  // client area 260
    header_->loadFromFile(headerFilePath());
    header_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(header_.get()));
  }
  void TearDown() override {
    header_.reset();
    appSettings() = saved_;
    labels() = savedLabels_;
  }

  // Client x to widget coordinates.
  static QPoint at(int x) { return {x + ColumnHeader::kFrame, 10}; }
  void press(int x) { QTest::mousePress(header_.get(), Qt::LeftButton, {}, at(x)); }
  void moveTo(int x) { QTest::mouseMove(header_.get(), at(x)); }
  void release(int x) { QTest::mouseRelease(header_.get(), Qt::LeftButton, {}, at(x)); }

  QMenu* openMenu() {
    QTest::mouseClick(header_.get(), Qt::RightButton, {}, at(20));
    QMenu* menu = header_->popupMenu();
    EXPECT_TRUE(menu->isVisible());
    return menu;
  }
  QMenu* sub(const char* name) {
    return header_->popupMenu()->findChild<QMenu*>(QString::fromUtf8(name));
  }
  QAction* item(const char* menu, const QString& text) {
    for (QAction* a : sub(menu)->actions())
      if (a->text() == text) return a;
    return nullptr;
  }
  // Opens the pop-up menu and triggers `text` of submenu `menu`.
  void choose(const char* menu, const char* text) {
    QMenu* popup = openMenu();
    item(menu, QString::fromUtf8(text))->trigger();
    popup->close();
  }
  // Saves the header as a template once per name given to the prompt.
  void saveTemplates(std::initializer_list<std::optional<QString>> names) {
    prompter.inputs.assign(names.begin(), names.end());
    for (size_t i = 0; i < names.size(); ++i)
      header_->popupMenu()->findChild<QAction*>(QStringLiteral("saveAsTemplateAction"))->trigger();
  }
  QStringList captions() const {
    QStringList out;
    for (int i = 0; i < header_->sectionCount(); ++i) out << header_->sectionCaption(i);
    return out;
  }

  QTemporaryDir home_;
  AppSettings saved_;
  QStringList savedLabels_;
  HeaderTemplateList templates_;
  std::unique_ptr<ColumnHeader> header_;
  ScriptedPrompter prompter;
};

TEST_F(HeaderWidget, LooksAsTheViewsPlaceIt) {
  const QFont f = header_->font();
  EXPECT_EQ(f.family(), QStringLiteral("Arial"));
  EXPECT_EQ(f.pixelSize(), 11);
  EXPECT_TRUE(f.bold());
  EXPECT_TRUE(f.italic());
  EXPECT_EQ(header_->palette().color(QPalette::WindowText), QColor(Qt::blue));
  EXPECT_EQ(header_->toolTip(), QStringLiteral("Left Click - Change Order;  Right Click - Menu"));
  EXPECT_EQ(header_->helpContext(), 104);
  EXPECT_EQ(header_->sizeHint(), QSize(260, 20));
}

TEST_F(HeaderWidget, FirstRunShowsTwoColumnsFiftyAndTheRest) {
  EXPECT_EQ(captions(), (QStringList{"Book Title", "Author"}));
  EXPECT_EQ(header_->sectionWidth(0), 50);
  EXPECT_EQ(header_->sectionWidth(1), 210);
  EXPECT_EQ(header_->columnPercent(0), 19);
  EXPECT_EQ(header_->columnField(1), 1);
}

// Which press resizes and the four-pixel floor are HeaderPress's and
// HeaderResize's; here the mouse reaches the layout and the change is signalled.
TEST_F(HeaderWidget, DraggingABorderResizesTheColumnLeftOfIt) {
  const struct {
    int from, to, first, last, percent;
  } cases[] = {{47, 77, 80, 180, 31},  // 80 of 262
               {53, 83, 80, 180, 31},
               {51, -100, 4, 256, -1},
               // Past the right edge, which used to leave the last column
               // negative with no border to drag back.
               {51, 1000, 256, 4, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " to " << c.to);
    header_->loadFromFile(headerFilePath());
    QSignalSpy changed(header_.get(), &ColumnHeader::onHChange);
    press(c.from);
    EXPECT_EQ(header_->draggedSection(), -1);
    moveTo(c.to);
    release(c.to);
    EXPECT_EQ(header_->sectionWidth(0), c.first);
    EXPECT_EQ(header_->sectionWidth(1), c.last);
    if (c.percent >= 0) {
      EXPECT_EQ(header_->columnPercent(0), c.percent);
    }
    EXPECT_LE(header_->columnPercent(1), 100);
    EXPECT_EQ(changed.count(), 1);
  }
}

// Where a drop lands is HeaderDrop's; here a press away from a border drags
// at once and only a drop that moves a column is signalled.
TEST_F(HeaderWidget, PressingAColumnDragsItAndADropMovesIt) {
  const struct {
    int from;
    std::vector<int> moves;
    int to;
    int dragged;
    QStringList captions;
    int changes;
  } cases[] = {{46, {}, 46, 0, {"Book Title", "Author"}, 0},  // dropped on itself
               {120, {}, 120, 1, {"Book Title", "Author"}, 0},
               {20, {100, 200}, 200, 0, {"Author", "Book Title"}, 1},
               {20, {}, 400, 0, {"Book Title", "Author"}, 0}};  // beyond the right end
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " to " << c.to);
    header_->loadFromFile(headerFilePath());
    QSignalSpy changed(header_.get(), &ColumnHeader::onHChange);
    press(c.from);
    EXPECT_EQ(header_->draggedSection(), c.dragged);
    for (int x : c.moves) moveTo(x);
    release(c.to);
    EXPECT_EQ(header_->draggedSection(), -1);
    EXPECT_EQ(captions(), c.captions);
    EXPECT_EQ(header_->columnField(0), c.captions[0] == "Author" ? 1 : 0);
    EXPECT_EQ(changed.count(), c.changes);
  }
}

// Which fields each submenu offers (never a memo or picture) is HeaderMenu's.
TEST_F(HeaderWidget, MenuHasItsEntriesInOrder) {
  QMenu* menu = openMenu();
  EXPECT_EQ(texts(menu),
            (QStringList{"&Insert New Field", "&Remove Field", "-", "&Load From Template",
                         "&Save As Template", "&Delete Template", "-", "&Help"}));
  EXPECT_EQ(texts(sub("insertFieldMenu")), (QStringList{"Category", "Publisher"}));
  EXPECT_EQ(texts(sub("removeFieldMenu")), (QStringList{"Book Title", "Author"}));
  EXPECT_TRUE(sub("removeFieldMenu")->menuAction()->isEnabled());
  EXPECT_FALSE(sub("loadTemplateMenu")->menuAction()->isEnabled());
  EXPECT_FALSE(sub("deleteTemplateMenu")->menuAction()->isEnabled());
  menu->close();
}

TEST_F(HeaderWidget, OneColumnCannotBeRemoved) {
  choose("removeFieldMenu", "Author");
  EXPECT_EQ(captions(), QStringList{"Book Title"});
  openMenu()->close();
  EXPECT_FALSE(sub("removeFieldMenu")->menuAction()->isEnabled());
}

TEST_F(HeaderWidget, InsertingAFieldAppendsItAndNotifies) {
  QSignalSpy changed(header_.get(), &ColumnHeader::onHChange);
  choose("insertFieldMenu", "Publisher");
  EXPECT_EQ(captions(), (QStringList{"Book Title", "Author", "Publisher"}));
  EXPECT_EQ(header_->columnField(2), 3);
  EXPECT_EQ(changed.count(), 1);
  openMenu()->close();
  EXPECT_EQ(texts(sub("insertFieldMenu")), QStringList{"Category"});
}

TEST_F(HeaderWidget, SavingATemplateAsksForItsNameAndRefusesDuplicates) {
  const QString longName(235, QLatin1Char('W'));
  prompter.inputs = {QStringLiteral("Mine"), QStringLiteral("Mine"), QStringLiteral("MINE"),
                     longName};
  for (int i = 0; i < 4; ++i) {
    QMenu* menu = openMenu();
    menu->findChild<QAction*>(QStringLiteral("saveAsTemplateAction"))->trigger();
    menu->close();
  }
  ASSERT_EQ(prompter.asked.size(), 4u);
  EXPECT_EQ(prompter.asked[0].caption, QStringLiteral("Save Header As Template"));
  EXPECT_EQ(prompter.asked[0].prompt, QStringLiteral("Template Name:"));
  EXPECT_EQ(prompter.asked[0].value, QString());
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(prompter.shown[0].text, QStringLiteral("Duplicate name - Template Not Saved!"));
  EXPECT_EQ(templates_.names(), (QStringList{"Mine", "MINE", longName}));
  EXPECT_TRUE(QFile::exists(home_.filePath("tml1.hdr")));
  EXPECT_TRUE(QFile::exists(home_.filePath("tml2.hdr")));

  openMenu()->close();
  EXPECT_TRUE(sub("loadTemplateMenu")->menuAction()->isEnabled());
  EXPECT_EQ(texts(sub("deleteTemplateMenu")).mid(0, 2), (QStringList{"Mine", "MINE"}));
  // The long name is cut: the submenus stay narrow.
  for (const char* name : {"loadTemplateMenu", "deleteTemplateMenu"})
    EXPECT_LT(sub(name)->sizeHint().width(), 400) << name;
}

TEST_F(HeaderWidget, CancelledEmptyOrUnstorableNameSavesNothing) {
  saveTemplates({std::nullopt, QString(), QStringLiteral("\u0158ada \u03A9")});
  EXPECT_EQ(templates_.count(), 0);
  EXPECT_FALSE(QFile::exists(home_.filePath("tml1.hdr")));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(prompter.shown[0].text,
            QStringLiteral("The characters \u0158 \u03A9 cannot be stored - please type others."));
}

TEST_F(HeaderWidget, LoadingATemplateRestoresItsLayout) {
  header_->layout().insertField(QStringLiteral("Category"), 2);
  saveTemplates({QStringLiteral("Three")});
  header_->loadFromFile(headerFilePath());
  ASSERT_EQ(header_->sectionCount(), 2);

  QSignalSpy changed(header_.get(), &ColumnHeader::onHChange);
  choose("loadTemplateMenu", "Three");
  EXPECT_EQ(captions(), (QStringList{"Book Title", "Author", "Category"}));
  EXPECT_EQ(changed.count(), 1);
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(HeaderWidget, TemplateWithoutItsFileReportsTheLoadError) {
  saveTemplates({QStringLiteral("Lost")});
  QFile::remove(home_.filePath("tml1.hdr"));
  header_->layout().insertField(QStringLiteral("Category"), 2);

  QSignalSpy changed(header_.get(), &ColumnHeader::onHChange);
  choose("loadTemplateMenu", "Lost");
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(prompter.shown[0].text, QStringLiteral("Error Loading Template."));
  EXPECT_EQ(captions(), (QStringList{"Book Title", "Author"}));
  EXPECT_EQ(changed.count(), 1);  // the rows follow the default columns
}

TEST_F(HeaderWidget, DeletingATemplateAsksNothing) {
  saveTemplates({QStringLiteral("One"), QStringLiteral("Two")});
  choose("deleteTemplateMenu", "One");
  EXPECT_EQ(templates_.names(), QStringList{"Two"});
  EXPECT_FALSE(QFile::exists(home_.filePath("tml1.hdr")));
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(HeaderWidget, SaveAndLoadRoundTripThroughHeaderDat) {
  header_->layout().insertField(QStringLiteral("Category"), 2);
  ASSERT_TRUE(header_->saveToFile(headerFilePath()));
  ColumnHeader other;
  other.resize(262, 20);
  EXPECT_TRUE(other.loadFromFile(headerFilePath()));
  EXPECT_EQ(other.sectionCount(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(other.sectionCaption(i), header_->sectionCaption(i));
    EXPECT_EQ(other.sectionWidth(i), header_->sectionWidth(i));
    EXPECT_EQ(other.columnField(i), header_->columnField(i));
  }
}

TEST_F(HeaderWidget, GrabsToAPicture) {
  header_->layout().insertField(QStringLiteral("Category"), 2);
  const QImage image = header_->grab().toImage();
  EXPECT_EQ(image.size(), QSize(262, 20));
  if (const QByteArray out = qgetenv("TOMES_HEADER_PNG"); !out.isEmpty())
    image.save(QString::fromLocal8Bit(out));
  // Blue caption text is painted somewhere in the first column.
  bool blue = false;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < 50; ++x)
      if (image.pixelColor(x, y).blue() > 150 && image.pixelColor(x, y).red() < 100) blue = true;
  EXPECT_TRUE(blue);
}

}  // namespace
