#include "core/headerlayout.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/valuestream.h"

namespace {

QByteArray bytes(std::initializer_list<int> list) {
  QByteArray out;
  for (int b : list) out.append(static_cast<char>(b));
  return out;
}

const QStringList kLabels = {"Book Title", "Author", "Category", "Publisher", "Notes", "Picture"};

// A header 260 wide with a 1-pixel frame, like the views place it.
HeaderLayout makeLayout(std::initializer_list<std::pair<const char*, int>> sections,
                        int outer = 260) {
  HeaderLayout l;
  l.setOuterWidth(outer);
  l.setClientWidth(outer - 2);
  for (const auto& [caption, w] : sections) {
    l.addSection(QString::fromUtf8(caption));
    l.setWidth(l.count() - 1, w);
  }
  l.matchFields(kLabels);
  l.recomputePercents();
  return l;
}

std::vector<int> widths(const HeaderLayout& l) {
  std::vector<int> out;
  for (int i = 0; i < l.count(); ++i) out.push_back(l.width(i));
  return out;
}

QStringList captions(const HeaderLayout& l) {
  QStringList out;
  for (int i = 0; i < l.count(); ++i) out << l.caption(i);
  return out;
}

// A saved header: caption and width pairs in a list.
QByteArray sectionList(std::initializer_list<std::pair<const char*, int32_t>> sections) {
  valuestream::ValueWriter w;
  w.listStart();
  for (const auto& [caption, width] : sections) {
    w.string(QString::fromUtf8(caption));
    w.integer(width);
  }
  w.listEnd();
  return w.data();
}

// "Book Title" 120, "Author" 80, "Notes" as the remainder (saved as 56).
const QByteArray kThreeColumns =
    bytes({0x01, 0x06, 0x0A, 'B',  'o',  'o', 'k', ' ', 'T',  'i',  't', 'l',
           'e',  0x02, 0x78, 0x06, 0x06, 'A', 'u', 't', 'h',  'o',  'r', 0x02,
           0x50, 0x06, 0x05, 'N',  'o',  't', 'e', 's', 0x02, 0x38, 0x00});

class HeaderFile : public ::testing::Test {
 protected:
  QString path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
  QString write(const char* name, const QByteArray& bytes) const {
    QFile f(path(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path(name);
  }
  QByteArray read(const QString& p) const {
    QFile f(p);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
  }
  HeaderLayout layout() const {
    HeaderLayout l;
    l.setOuterWidth(260);
    l.setClientWidth(258);
    return l;
  }

  QTemporaryDir dir_;
};

TEST_F(HeaderFile, HandWrittenFileLoadsAndSavesByteForByte) {
  HeaderLayout l = layout();
  EXPECT_TRUE(l.loadFromFile(write("header.dat", kThreeColumns), kLabels));
  EXPECT_EQ(captions(l), (QStringList{"Book Title", "Author", "Notes"}));
  EXPECT_EQ(widths(l), (std::vector<int>{120, 80, 58}));
  EXPECT_EQ(l.columnField(0), 0);
  EXPECT_EQ(l.columnField(1), 1);
  EXPECT_EQ(l.columnField(2), 4);

  // Saved with the remainder of the moment: 256 - 200 = 56, as in the file.
  l.setClientWidth(256);
  ASSERT_TRUE(l.saveToFile(path("copy.dat")));
  EXPECT_EQ(read(path("copy.dat")).toHex(' '), kThreeColumns.toHex(' '));
}

TEST_F(HeaderFile, LastColumnIsSavedAsItsRemainderEvenWhenNegative) {
  HeaderLayout l = makeLayout({{"Book Title", 200}, {"Author", 100}, {"Notes", 0}});
  ASSERT_TRUE(l.saveToFile(path("header.dat")));
  const QByteArray expected =
      sectionList({{"Book Title", 200}, {"Author", 100}, {"Notes", -42}});  // 258 - 300
  EXPECT_EQ(read(path("header.dat")).toHex(' '), expected.toHex(' '));
}

TEST_F(HeaderFile, FirstRunGivesTwoDefaultColumns) {
  HeaderLayout l = layout();
  EXPECT_FALSE(l.loadFromFile(path("header.dat"), kLabels));
  EXPECT_EQ(captions(l), (QStringList{"Book Title", "Author"}));
  EXPECT_EQ(widths(l), (std::vector<int>{50, 208}));
  EXPECT_EQ(l.columnField(0), 0);
  EXPECT_EQ(l.columnField(1), 1);
  EXPECT_EQ(l.columnPercent(0), 19);  // 50 of 260
  EXPECT_EQ(l.columnPercent(1), 80);  // 208 of 260
}

TEST_F(HeaderFile, EmptyOrForeignFileGivesTheDefaultColumns) {
  for (const QByteArray& bytes :
       {QByteArray(), bytes({0x01}), bytes({0x07, 0x01, 0x00}), bytes({0x01, 0x02, 0x05, 0x00})}) {
    HeaderLayout l = layout();
    EXPECT_FALSE(l.loadFromFile(write("header.dat", bytes), kLabels)) << bytes.toHex().constData();
    EXPECT_EQ(captions(l), (QStringList{"Book Title", "Author"})) << bytes.toHex().constData();
  }
}

TEST_F(HeaderFile, TruncatedFileKeepsTheSectionsReadSoFar) {
  // Cut inside the width of "Notes": its caption was read, so it stays.
  HeaderLayout l = layout();
  EXPECT_FALSE(
      l.loadFromFile(write("header.dat", kThreeColumns.first(kThreeColumns.size() - 2)), kLabels));
  EXPECT_EQ(captions(l), (QStringList{"Book Title", "Author", "Notes"}));
  EXPECT_EQ(l.width(0), 120);
  EXPECT_EQ(l.width(1), 80);

  // Cut inside a caption: only the whole sections.
  l.loadFromFile(write("header.dat", kThreeColumns.first(20)), kLabels);
  EXPECT_EQ(captions(l), (QStringList{"Book Title"}));
}

TEST_F(HeaderFile, EveryDamagedByteStillLoadsWithoutCrashing) {
  for (qsizetype at = 0; at < kThreeColumns.size(); ++at) {
    for (int value : {0x00, 0x0C, 0x7F, 0xFF}) {
      QByteArray bytes = kThreeColumns;
      bytes[at] = static_cast<char>(value);
      HeaderLayout l = layout();
      l.loadFromFile(write("header.dat", bytes), kLabels);
      EXPECT_GE(l.count(), 1);
      EXPECT_LE(l.count(), 3);
    }
  }
}

TEST_F(HeaderFile, AbsurdWidthEndsReading) {
  const QByteArray file = sectionList({{"Author", 90}, {"Notes", 2000000000}, {"Category", 40}});
  HeaderLayout l = layout();
  EXPECT_FALSE(l.loadFromFile(write("header.dat", file), kLabels));
  EXPECT_EQ(captions(l), (QStringList{"Author", "Notes"}));
  EXPECT_EQ(l.width(0), 90);
}

TEST_F(HeaderFile, HugeSectionListIsCutAtTheLimit) {
  valuestream::ValueWriter w;
  w.listStart();
  for (int i = 0; i < 100000; ++i) {
    w.string(QStringLiteral("Author"));
    w.integer(1);
  }
  w.listEnd();
  HeaderLayout l = layout();
  EXPECT_FALSE(l.loadFromFile(write("header.dat", w.data()), kLabels));
  EXPECT_EQ(l.count(), kMaxSections);
}

TEST_F(HeaderFile, CaptionsMatchLabelsIgnoringCaseAndUnknownOnesStay) {
  HeaderLayout l = layout();
  EXPECT_TRUE(
      l.loadFromFile(write("header.dat", sectionList({{"AUTHOR", 60}, {"Shelf", 60}})), kLabels));
  EXPECT_EQ(l.columnField(0), 1);
  EXPECT_EQ(l.columnField(1), kNoField);
  EXPECT_EQ(l.caption(1), QStringLiteral("Shelf"));
}

TEST_F(HeaderFile, UnwritableFileThrowsNamingIt) {
  HeaderLayout l = makeLayout({{"Author", 50}, {"Notes", 0}});
  const QString target = path("missing/header.dat");
  try {
    l.saveToFile(target);
    FAIL() << "saved into a missing directory";
  } catch (const dbase::Error& e) {
    EXPECT_EQ(QString::fromStdString(e.file()), target);
  }
}

TEST(HeaderPercent, PercentOfOuterWidthRoundedWithFieldKept) {
  HeaderLayout l = makeLayout({{"Book Title", 50}, {"Author", 33}, {"Notes", 0}});
  EXPECT_EQ(l.columnPercent(0), 19);  // 19.23
  EXPECT_EQ(l.columnPercent(1), 13);  // 12.69
  EXPECT_EQ(l.columnPercent(2), 67);  // 175 of 260 = 67.3
  EXPECT_EQ(l.section(1).tag, (1u << 16) | 13u);
  EXPECT_EQ(l.section(2).tag, (4u << 16) | 67u);
}

TEST(HeaderPercent, NegativeRemainderWrapsInTheUnsignedWord) {
  HeaderLayout l = makeLayout({{"Book Title", 200}, {"Author", 84}, {"Notes", 0}});
  EXPECT_EQ(l.width(2), -26);
  EXPECT_EQ(l.columnPercent(2), static_cast<uint16_t>(-10));
}

TEST(HeaderPercent, ZeroFirstPercentIsRecomputedOnRequest) {
  HeaderLayout l = makeLayout({{"Book Title", 100}, {"Author", 0}}, 0);
  EXPECT_EQ(l.section(0).percent(), 0);
  l.setOuterWidth(200);
  l.setClientWidth(198);
  EXPECT_EQ(l.section(1).percent(), 0);  // not yet
  EXPECT_EQ(l.columnPercent(0), 50);
  EXPECT_EQ(l.section(1).percent(), 49);  // recomputed together
}

TEST(HeaderPercent, OutOfRangeColumnsGiveZero) {
  HeaderLayout l = makeLayout({{"Book Title", 100}, {"Author", 0}});
  EXPECT_EQ(l.columnPercent(-1), 0);
  EXPECT_EQ(l.columnPercent(2), 0);
  EXPECT_EQ(l.columnField(-1), 0);
  EXPECT_EQ(l.columnField(2), 0);
}

// Within four pixels of a border resizes the section left of it; elsewhere
// drags the section under the pointer.
TEST(HeaderPress, BordersResizeAndSectionsDrag) {
  HeaderLayout l = makeLayout({{"Book Title", 50}, {"Author", 100}, {"Notes", 0}});
  const std::tuple<int, HitResult::Kind, int> cases[] = {
      {47, HitResult::Resize, 0},  {50, HitResult::Resize, 0}, {53, HitResult::Resize, 0},
      {147, HitResult::Resize, 1}, {0, HitResult::Drag, 0},    {46, HitResult::Drag, 0},
      {54, HitResult::Drag, 1},    {146, HitResult::Drag, 1},  {154, HitResult::Drag, 2},
      {250, HitResult::Drag, 2}};
  for (const auto& [x, kind, section] : cases) {
    const HitResult hit = l.hitTest(x);
    EXPECT_EQ(hit.kind, kind) << x;
    EXPECT_EQ(hit.section, section) << x;
  }
  EXPECT_EQ(l.hitTest(300).kind, HitResult::Nothing);
}

TEST(HeaderPress, OneSectionNeitherDragsNorResizes) {
  HeaderLayout l = makeLayout({{"Book Title", 0}});
  EXPECT_EQ(l.hitTest(10).kind, HitResult::Nothing);
  EXPECT_EQ(l.hitTest(256).kind, HitResult::Nothing);
}

TEST(HeaderDrop, MovesTheDraggedSectionToTheTargetKeepingItsTag) {
  HeaderLayout l = makeLayout({{"Book Title", 50}, {"Author", 100}, {"Notes", 90}});
  const uint32_t fieldWord = l.section(0).tag >> 16;
  EXPECT_TRUE(l.drop(0, 200));
  EXPECT_EQ(captions(l), (QStringList{"Author", "Notes", "Book Title"}));
  EXPECT_EQ(l.section(2).tag >> 16, fieldWord);
  // Notes keeps the width it had stored while it was last.
  EXPECT_EQ(widths(l), (std::vector<int>{100, 90, 68}));
  EXPECT_EQ(l.columnPercent(0), 38);
  EXPECT_EQ(l.columnPercent(2), 26);
}

TEST(HeaderDrop, MovedSectionIsReinsertedWithItsCaptionWidth) {
  HeaderLayout l = makeLayout({{"Book Title", 50}, {"Author", 100}, {"Notes", 90}});
  EXPECT_TRUE(l.drop(2, 10));
  EXPECT_EQ(captions(l), (QStringList{"Notes", "Book Title", "Author"}));
  EXPECT_EQ(widths(l), (std::vector<int>{kNoCanvasWidth, 50, 133}));

  l.setCaptionWidth([](const QString& s) { return 7 * static_cast<int>(s.size()); });
  EXPECT_TRUE(l.drop(2, 0));
  EXPECT_EQ(l.caption(0), QStringLiteral("Author"));
  EXPECT_EQ(l.width(0), 7 * 6 + kCaptionPadding);
}

TEST(HeaderDrop, TargetIsTheFirstSectionReachingThePoint) {
  HeaderLayout l = makeLayout({{"Book Title", 50}, {"Author", 100}, {"Notes", 0}});
  EXPECT_EQ(l.dropTarget(0), 0);
  EXPECT_EQ(l.dropTarget(50), 0);
  EXPECT_EQ(l.dropTarget(51), 1);
  EXPECT_EQ(l.dropTarget(258), 2);
  EXPECT_EQ(l.dropTarget(259), -1);
}

TEST(HeaderDrop, BeyondTheRightEndOrOnItselfChangesNothing) {
  HeaderLayout l = makeLayout({{"Book Title", 50}, {"Author", 100}, {"Notes", 0}});
  EXPECT_FALSE(l.drop(0, 300));
  EXPECT_FALSE(l.drop(1, 120));
  EXPECT_FALSE(l.drop(-1, 10));
  EXPECT_EQ(captions(l), (QStringList{"Book Title", "Author", "Notes"}));
  EXPECT_EQ(widths(l), (std::vector<int>{50, 100, 108}));
}

TEST(HeaderResize, LeftNeighbourNarrowerThanFourGetsFour) {
  HeaderLayout l = makeLayout({{"Book Title", 2}, {"Author", 100}, {"Notes", 0}});
  l.afterResize(1);
  EXPECT_EQ(l.width(0), 4);
  EXPECT_EQ(l.columnPercent(0), 2);

  HeaderLayout first = makeLayout({{"Book Title", 2}, {"Author", 100}, {"Notes", 0}});
  first.afterResize(0);
  EXPECT_EQ(first.width(0), 2);
}

TEST(HeaderInsert, TwoPixelsLeftHalvesTheNearestWideColumn) {
  // The last column shows 2 pixels; its stored width is larger, as after a load.
  HeaderLayout l =
      makeLayout({{"Book Title", 100}, {"Author", 30}, {"Category", 10}, {"Publisher", 60}});
  l.setClientWidth(142);
  ASSERT_EQ(l.width(3), 2);
  ASSERT_TRUE(l.insertField(QStringLiteral("Notes"), 4));
  // Publisher shrinks to what it showed, Category is too narrow, Author is halved.
  EXPECT_EQ(widths(l), (std::vector<int>{100, 15, 10, 2, 15}));
  EXPECT_EQ(l.columnField(4), 4);
  EXPECT_EQ(l.caption(4), QStringLiteral("Notes"));
}

TEST(HeaderInsert, RoomLeftOnTheLastColumnNeedsNoHalving) {
  HeaderLayout l = makeLayout({{"Book Title", 100}, {"Author", 50}});
  ASSERT_EQ(l.width(1), 158);
  ASSERT_TRUE(l.insertField(QStringLiteral("Notes"), 4));
  EXPECT_EQ(widths(l), (std::vector<int>{100, 50, 108}));
}

TEST(HeaderInsert, NoWideColumnLeavesTheNewOneEmpty) {
  HeaderLayout l = makeLayout({{"Book Title", 10}, {"Author", 10}}, 14);
  ASSERT_EQ(l.width(1), 2);
  ASSERT_TRUE(l.insertField(QStringLiteral("Notes"), 4));
  EXPECT_EQ(widths(l), (std::vector<int>{10, 2, 0}));
}

TEST(HeaderInsert, OverfullHeaderRefusesNewFields) {
  HeaderLayout l = makeLayout({{"Book Title", 200}, {"Author", 100}, {"Notes", 0}});
  ASSERT_LT(l.width(2), 0);
  EXPECT_FALSE(l.insertField(QStringLiteral("Category"), 2));
  EXPECT_EQ(l.count(), 3);
}

TEST(HeaderRemove, RemovesByCaptionIgnoringCase) {
  HeaderLayout l = makeLayout({{"Book Title", 50}, {"Author", 100}, {"Notes", 0}});
  EXPECT_TRUE(l.removeField(QStringLiteral("author")));
  EXPECT_EQ(captions(l), (QStringList{"Book Title", "Notes"}));
  EXPECT_EQ(l.columnPercent(1), 80);
  EXPECT_FALSE(l.removeField(QStringLiteral("Author")));
}

TEST(HeaderMenu, FieldsSplitIntoInsertAndRemoveWithoutMemoOrPicture) {
  HeaderLayout l = makeLayout({{"book title", 50}, {"Notes", 100}, {"Author", 0}});
  FieldSet memo, blob;
  memo.set(2 + 4);  // Notes
  blob.set(2 + 5);  // Picture
  const FieldMenu menu = l.fieldMenu(kLabels, memo, blob, 2);
  QStringList insert, remove;
  for (const auto& item : menu.insert) insert << item.caption;
  for (const auto& item : menu.remove) remove << item.caption;
  EXPECT_EQ(insert, (QStringList{"Category", "Publisher"}));
  EXPECT_EQ(remove, (QStringList{"Book Title", "Author"}));
  EXPECT_EQ(menu.insert[1].labelPos, 3);
  EXPECT_TRUE(menu.removeEnabled);
}

TEST(HeaderMenu, FieldNumbersBeyondTheSetsAreOffered) {
  HeaderLayout l = makeLayout({{"Book Title", 0}});
  FieldSet all;
  all.set();
  const FieldMenu menu = l.fieldMenu(kLabels, all, all, 252);
  // Field numbers 252..255 are memo; 256 and 257 are in no set.
  ASSERT_EQ(menu.insert.size(), 2u);
  EXPECT_EQ(menu.insert[0].caption, QStringLiteral("Notes"));
  EXPECT_EQ(menu.insert[1].caption, QStringLiteral("Picture"));
  EXPECT_FALSE(menu.removeEnabled);
  EXPECT_TRUE(menu.remove.empty());
}

TEST(HeaderCaptions, RefreshFollowsRenamedLabelsAndKeepsWidths) {
  HeaderLayout l = makeLayout({{"Book Title", 50}, {"Shelf", 60}, {"Author", 0}});
  QStringList renamed = kLabels;
  renamed[0] = QStringLiteral("Title");
  renamed[1] = QStringLiteral("Writer");
  l.refreshCaptions(renamed);
  EXPECT_EQ(captions(l), (QStringList{"Title", "Shelf", "Writer"}));
  EXPECT_EQ(widths(l), (std::vector<int>{50, 60, 148}));
}

}  // namespace
