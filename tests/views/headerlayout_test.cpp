#include "headerlayout.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "valuestream.h"

namespace {

QByteArray Bytes(std::initializer_list<int> list) {
  QByteArray out;
  for (int b : list) out.append(static_cast<char>(b));
  return out;
}

const QStringList kLabels = {"Book Title", "Author", "Category", "Publisher", "Notes", "Picture"};

// A header 260 wide with a 1-pixel frame, like the views place it.
THeaderLayout Layout(std::initializer_list<std::pair<const char*, int>> sections,
                     int outer = 260) {
  THeaderLayout l;
  l.setOuterWidth(outer);
  l.setClientWidth(outer - 2);
  for (const auto& [caption, w] : sections) {
    l.addSection(QString::fromUtf8(caption));
    l.setWidth(l.count() - 1, w);
  }
  l.MatchFields(kLabels);
  l.RecomputePercents();
  return l;
}

std::vector<int> Widths(const THeaderLayout& l) {
  std::vector<int> out;
  for (int i = 0; i < l.count(); ++i) out.push_back(l.width(i));
  return out;
}

QStringList Captions(const THeaderLayout& l) {
  QStringList out;
  for (int i = 0; i < l.count(); ++i) out << l.caption(i);
  return out;
}

// "Book Title" 120, "Author" 80, "Notes" as the remainder (saved as 56).
const QByteArray kThreeColumns =
    Bytes({0x01, 0x06, 0x0A, 'B', 'o', 'o', 'k', ' ', 'T', 'i', 't', 'l', 'e', 0x02, 0x78,
           0x06, 0x06, 'A', 'u', 't', 'h', 'o', 'r', 0x02, 0x50,
           0x06, 0x05, 'N', 'o', 't', 'e', 's', 0x02, 0x38, 0x00});

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
  THeaderLayout layout() const {
    THeaderLayout l;
    l.setOuterWidth(260);
    l.setClientWidth(258);
    return l;
  }

  QTemporaryDir dir_;
};

TEST_F(HeaderFile, HandWrittenFileLoadsAndSavesByteForByte) {
  THeaderLayout l = layout();
  EXPECT_TRUE(l.LoadFromFile(write("header.dat", kThreeColumns), kLabels));
  EXPECT_EQ(Captions(l), (QStringList{"Book Title", "Author", "Notes"}));
  EXPECT_EQ(Widths(l), (std::vector<int>{120, 80, 58}));
  EXPECT_EQ(l.ColumnField(0), 0);
  EXPECT_EQ(l.ColumnField(1), 1);
  EXPECT_EQ(l.ColumnField(2), 4);

  // Saved with the remainder of the moment: 256 - 200 = 56, as in the file.
  l.setClientWidth(256);
  ASSERT_TRUE(l.SaveToFile(path("copy.dat")));
  EXPECT_EQ(read(path("copy.dat")).toHex(' '), kThreeColumns.toHex(' '));
}

TEST_F(HeaderFile, LastColumnIsSavedAsItsRemainderEvenWhenNegative) {
  THeaderLayout l = Layout({{"Book Title", 200}, {"Author", 100}, {"Notes", 0}});
  ASSERT_TRUE(l.SaveToFile(path("header.dat")));
  valuestream::TValueWriter expected;
  expected.listStart();
  expected.string(QStringLiteral("Book Title"));
  expected.integer(200);
  expected.string(QStringLiteral("Author"));
  expected.integer(100);
  expected.string(QStringLiteral("Notes"));
  expected.integer(-42);  // 258 - 300
  expected.listEnd();
  EXPECT_EQ(read(path("header.dat")).toHex(' '), expected.data().toHex(' '));
}

TEST_F(HeaderFile, FirstRunGivesTwoDefaultColumns) {
  THeaderLayout l = layout();
  EXPECT_FALSE(l.LoadFromFile(path("header.dat"), kLabels));
  EXPECT_EQ(Captions(l), (QStringList{"Book Title", "Author"}));
  EXPECT_EQ(Widths(l), (std::vector<int>{50, 208}));
  EXPECT_EQ(l.ColumnField(0), 0);
  EXPECT_EQ(l.ColumnField(1), 1);
  EXPECT_EQ(l.ColumnPercent(0), 19);  // 50 of 260
  EXPECT_EQ(l.ColumnPercent(1), 80);  // 208 of 260
}

TEST_F(HeaderFile, EmptyOrForeignFileGivesTheDefaultColumns) {
  for (const QByteArray& bytes : {QByteArray(), Bytes({0x01}), Bytes({0x07, 0x01, 0x00}),
                                  Bytes({0x01, 0x02, 0x05, 0x00})}) {
    THeaderLayout l = layout();
    EXPECT_FALSE(l.LoadFromFile(write("header.dat", bytes), kLabels)) << bytes.toHex().constData();
    EXPECT_EQ(Captions(l), (QStringList{"Book Title", "Author"})) << bytes.toHex().constData();
  }
}

TEST_F(HeaderFile, TruncatedFileKeepsTheSectionsReadSoFar) {
  // Cut inside the width of "Notes": its caption was read, so it stays.
  THeaderLayout l = layout();
  EXPECT_FALSE(l.LoadFromFile(write("header.dat", kThreeColumns.first(kThreeColumns.size() - 2)),
                              kLabels));
  EXPECT_EQ(Captions(l), (QStringList{"Book Title", "Author", "Notes"}));
  EXPECT_EQ(l.width(0), 120);
  EXPECT_EQ(l.width(1), 80);

  // Cut inside a caption: only the whole sections.
  l.LoadFromFile(write("header.dat", kThreeColumns.first(20)), kLabels);
  EXPECT_EQ(Captions(l), (QStringList{"Book Title"}));
}

TEST_F(HeaderFile, EveryDamagedByteStillLoadsWithoutCrashing) {
  for (qsizetype at = 0; at < kThreeColumns.size(); ++at) {
    for (int value : {0x00, 0x0C, 0x7F, 0xFF}) {
      QByteArray bytes = kThreeColumns;
      bytes[at] = static_cast<char>(value);
      THeaderLayout l = layout();
      l.LoadFromFile(write("header.dat", bytes), kLabels);
      EXPECT_GE(l.count(), 1);
      EXPECT_LE(l.count(), 3);
    }
  }
}

TEST_F(HeaderFile, AbsurdWidthEndsReading) {
  valuestream::TValueWriter w;
  w.listStart();
  w.string(QStringLiteral("Author"));
  w.integer(90);
  w.string(QStringLiteral("Notes"));
  w.integer(2000000000);
  w.string(QStringLiteral("Category"));
  w.integer(40);
  w.listEnd();
  THeaderLayout l = layout();
  EXPECT_FALSE(l.LoadFromFile(write("header.dat", w.data()), kLabels));
  EXPECT_EQ(Captions(l), (QStringList{"Author", "Notes"}));
  EXPECT_EQ(l.width(0), 90);
}

TEST_F(HeaderFile, HugeSectionListIsCutAtTheLimit) {
  valuestream::TValueWriter w;
  w.listStart();
  for (int i = 0; i < 100000; ++i) {
    w.string(QStringLiteral("Author"));
    w.integer(1);
  }
  w.listEnd();
  THeaderLayout l = layout();
  EXPECT_FALSE(l.LoadFromFile(write("header.dat", w.data()), kLabels));
  EXPECT_EQ(l.count(), kMaxSections);
}

TEST_F(HeaderFile, CaptionsMatchLabelsIgnoringCaseAndUnknownOnesStay) {
  valuestream::TValueWriter w;
  w.listStart();
  w.string(QStringLiteral("AUTHOR"));
  w.integer(60);
  w.string(QStringLiteral("Shelf"));
  w.integer(60);
  w.listEnd();
  THeaderLayout l = layout();
  EXPECT_TRUE(l.LoadFromFile(write("header.dat", w.data()), kLabels));
  EXPECT_EQ(l.ColumnField(0), 1);
  EXPECT_EQ(l.ColumnField(1), kNoField);
  EXPECT_EQ(l.caption(1), QStringLiteral("Shelf"));
}

TEST_F(HeaderFile, UnwritableFileThrowsNamingIt) {
  THeaderLayout l = Layout({{"Author", 50}, {"Notes", 0}});
  const QString target = path("missing/header.dat");
  try {
    l.SaveToFile(target);
    FAIL() << "saved into a missing directory";
  } catch (const dbase::Error& e) {
    EXPECT_EQ(QString::fromStdString(e.file()), target);
  }
}

TEST(HeaderPercent, PercentOfOuterWidthRoundedWithFieldKept) {
  THeaderLayout l = Layout({{"Book Title", 50}, {"Author", 33}, {"Notes", 0}});
  EXPECT_EQ(l.ColumnPercent(0), 19);  // 19.23
  EXPECT_EQ(l.ColumnPercent(1), 13);  // 12.69
  EXPECT_EQ(l.ColumnPercent(2), 67);  // 175 of 260 = 67.3
  EXPECT_EQ(l.section(1).tag, (1u << 16) | 13u);
  EXPECT_EQ(l.section(2).tag, (4u << 16) | 67u);
}

TEST(HeaderPercent, NegativeRemainderWrapsInTheUnsignedWord) {
  THeaderLayout l = Layout({{"Book Title", 200}, {"Author", 84}, {"Notes", 0}});
  EXPECT_EQ(l.width(2), -26);
  EXPECT_EQ(l.ColumnPercent(2), static_cast<uint16_t>(-10));
}

TEST(HeaderPercent, ZeroFirstPercentIsRecomputedOnRequest) {
  THeaderLayout l = Layout({{"Book Title", 100}, {"Author", 0}}, 0);
  EXPECT_EQ(l.section(0).percent(), 0);
  l.setOuterWidth(200);
  l.setClientWidth(198);
  EXPECT_EQ(l.section(1).percent(), 0);  // not yet
  EXPECT_EQ(l.ColumnPercent(0), 50);
  EXPECT_EQ(l.section(1).percent(), 49);  // recomputed together
}

TEST(HeaderPercent, OutOfRangeColumnsGiveZero) {
  THeaderLayout l = Layout({{"Book Title", 100}, {"Author", 0}});
  EXPECT_EQ(l.ColumnPercent(-1), 0);
  EXPECT_EQ(l.ColumnPercent(2), 0);
  EXPECT_EQ(l.ColumnField(-1), 0);
  EXPECT_EQ(l.ColumnField(2), 0);
}

TEST(HeaderPress, WithinFourPixelsOfABorderResizes) {
  THeaderLayout l = Layout({{"Book Title", 50}, {"Author", 100}, {"Notes", 0}});
  for (int x : {47, 50, 53}) {
    const THitResult hit = l.HitTest(x);
    EXPECT_EQ(hit.kind, THitResult::Resize) << x;
    EXPECT_EQ(hit.section, 0) << x;
  }
  EXPECT_EQ(l.HitTest(147).kind, THitResult::Resize);
  EXPECT_EQ(l.HitTest(147).section, 1);
}

TEST(HeaderPress, ElsewhereDragsTheSectionUnderThePointer) {
  THeaderLayout l = Layout({{"Book Title", 50}, {"Author", 100}, {"Notes", 0}});
  const std::pair<int, int> cases[] = {{0, 0}, {46, 0}, {54, 1}, {146, 1}, {154, 2}, {250, 2}};
  for (const auto& [x, section] : cases) {
    const THitResult hit = l.HitTest(x);
    EXPECT_EQ(hit.kind, THitResult::Drag) << x;
    EXPECT_EQ(hit.section, section) << x;
  }
  EXPECT_EQ(l.HitTest(300).kind, THitResult::Nothing);
}

TEST(HeaderPress, OneSectionNeitherDragsNorResizes) {
  THeaderLayout l = Layout({{"Book Title", 0}});
  EXPECT_EQ(l.HitTest(10).kind, THitResult::Nothing);
  EXPECT_EQ(l.HitTest(256).kind, THitResult::Nothing);
}

TEST(HeaderDrop, MovesTheDraggedSectionToTheTargetKeepingItsTag) {
  THeaderLayout l = Layout({{"Book Title", 50}, {"Author", 100}, {"Notes", 90}});
  const uint32_t fieldWord = l.section(0).tag >> 16;
  EXPECT_TRUE(l.Drop(0, 200));
  EXPECT_EQ(Captions(l), (QStringList{"Author", "Notes", "Book Title"}));
  EXPECT_EQ(l.section(2).tag >> 16, fieldWord);
  // Notes keeps the width it had stored while it was last.
  EXPECT_EQ(Widths(l), (std::vector<int>{100, 90, 68}));
  EXPECT_EQ(l.ColumnPercent(0), 38);
  EXPECT_EQ(l.ColumnPercent(2), 26);
}

TEST(HeaderDrop, MovedSectionIsReinsertedWithItsCaptionWidth) {
  THeaderLayout l = Layout({{"Book Title", 50}, {"Author", 100}, {"Notes", 90}});
  EXPECT_TRUE(l.Drop(2, 10));
  EXPECT_EQ(Captions(l), (QStringList{"Notes", "Book Title", "Author"}));
  EXPECT_EQ(Widths(l), (std::vector<int>{kNoCanvasWidth, 50, 133}));

  l.setCaptionWidth([](const QString& s) { return 7 * static_cast<int>(s.size()); });
  EXPECT_TRUE(l.Drop(2, 0));
  EXPECT_EQ(l.caption(0), QStringLiteral("Author"));
  EXPECT_EQ(l.width(0), 7 * 6 + kCaptionPadding);
}

TEST(HeaderDrop, TargetIsTheFirstSectionReachingThePoint) {
  THeaderLayout l = Layout({{"Book Title", 50}, {"Author", 100}, {"Notes", 0}});
  EXPECT_EQ(l.DropTarget(0), 0);
  EXPECT_EQ(l.DropTarget(50), 0);
  EXPECT_EQ(l.DropTarget(51), 1);
  EXPECT_EQ(l.DropTarget(258), 2);
  EXPECT_EQ(l.DropTarget(259), -1);
}

TEST(HeaderDrop, BeyondTheRightEndOrOnItselfChangesNothing) {
  THeaderLayout l = Layout({{"Book Title", 50}, {"Author", 100}, {"Notes", 0}});
  EXPECT_FALSE(l.Drop(0, 300));
  EXPECT_FALSE(l.Drop(1, 120));
  EXPECT_FALSE(l.Drop(-1, 10));
  EXPECT_EQ(Captions(l), (QStringList{"Book Title", "Author", "Notes"}));
  EXPECT_EQ(Widths(l), (std::vector<int>{50, 100, 108}));
}

TEST(HeaderResize, LeftNeighbourNarrowerThanFourGetsFour) {
  THeaderLayout l = Layout({{"Book Title", 2}, {"Author", 100}, {"Notes", 0}});
  l.AfterResize(1);
  EXPECT_EQ(l.width(0), 4);
  EXPECT_EQ(l.ColumnPercent(0), 2);

  THeaderLayout first = Layout({{"Book Title", 2}, {"Author", 100}, {"Notes", 0}});
  first.AfterResize(0);
  EXPECT_EQ(first.width(0), 2);
}

TEST(HeaderInsert, TwoPixelsLeftHalvesTheNearestWideColumn) {
  // The last column shows 2 pixels; its stored width is larger, as after a load.
  THeaderLayout l = Layout({{"Book Title", 100}, {"Author", 30}, {"Category", 10}, {"Publisher", 60}});
  l.setClientWidth(142);
  ASSERT_EQ(l.width(3), 2);
  ASSERT_TRUE(l.InsertField(QStringLiteral("Notes"), 4));
  // Publisher shrinks to what it showed, Category is too narrow, Author is halved.
  EXPECT_EQ(Widths(l), (std::vector<int>{100, 15, 10, 2, 15}));
  EXPECT_EQ(l.ColumnField(4), 4);
  EXPECT_EQ(l.caption(4), QStringLiteral("Notes"));
}

TEST(HeaderInsert, RoomLeftOnTheLastColumnNeedsNoHalving) {
  THeaderLayout l = Layout({{"Book Title", 100}, {"Author", 50}});
  ASSERT_EQ(l.width(1), 158);
  ASSERT_TRUE(l.InsertField(QStringLiteral("Notes"), 4));
  EXPECT_EQ(Widths(l), (std::vector<int>{100, 50, 108}));
}

TEST(HeaderInsert, NoWideColumnLeavesTheNewOneEmpty) {
  THeaderLayout l = Layout({{"Book Title", 10}, {"Author", 10}}, 14);
  ASSERT_EQ(l.width(1), 2);
  ASSERT_TRUE(l.InsertField(QStringLiteral("Notes"), 4));
  EXPECT_EQ(Widths(l), (std::vector<int>{10, 2, 0}));
}

TEST(HeaderInsert, OverfullHeaderRefusesNewFields) {
  THeaderLayout l = Layout({{"Book Title", 200}, {"Author", 100}, {"Notes", 0}});
  ASSERT_LT(l.width(2), 0);
  EXPECT_FALSE(l.InsertField(QStringLiteral("Category"), 2));
  EXPECT_EQ(l.count(), 3);
}

TEST(HeaderRemove, RemovesByCaptionIgnoringCase) {
  THeaderLayout l = Layout({{"Book Title", 50}, {"Author", 100}, {"Notes", 0}});
  EXPECT_TRUE(l.RemoveField(QStringLiteral("author")));
  EXPECT_EQ(Captions(l), (QStringList{"Book Title", "Notes"}));
  EXPECT_EQ(l.ColumnPercent(1), 80);
  EXPECT_FALSE(l.RemoveField(QStringLiteral("Author")));
}

TEST(HeaderMenu, FieldsSplitIntoInsertAndRemoveWithoutMemoOrPicture) {
  THeaderLayout l = Layout({{"book title", 50}, {"Notes", 100}, {"Author", 0}});
  TFieldSet memo, blob;
  memo.set(2 + 4);  // Notes
  blob.set(2 + 5);  // Picture
  const TFieldMenu menu = l.FieldMenu(kLabels, memo, blob, 2);
  QStringList insert, remove;
  for (const auto& item : menu.insert) insert << item.caption;
  for (const auto& item : menu.remove) remove << item.caption;
  EXPECT_EQ(insert, (QStringList{"Category", "Publisher"}));
  EXPECT_EQ(remove, (QStringList{"Book Title", "Author"}));
  EXPECT_EQ(menu.insert[1].labelPos, 3);
  EXPECT_TRUE(menu.removeEnabled);
}

TEST(HeaderMenu, FieldNumbersBeyondTheSetsAreOffered) {
  THeaderLayout l = Layout({{"Book Title", 0}});
  TFieldSet all;
  all.set();
  const TFieldMenu menu = l.FieldMenu(kLabels, all, all, 252);
  // Field numbers 252..255 are memo; 256 and 257 are in no set.
  ASSERT_EQ(menu.insert.size(), 2u);
  EXPECT_EQ(menu.insert[0].caption, QStringLiteral("Notes"));
  EXPECT_EQ(menu.insert[1].caption, QStringLiteral("Picture"));
  EXPECT_FALSE(menu.removeEnabled);
  EXPECT_TRUE(menu.remove.empty());
}

TEST(HeaderCaptions, RefreshFollowsRenamedLabelsAndKeepsWidths) {
  THeaderLayout l = Layout({{"Book Title", 50}, {"Shelf", 60}, {"Author", 0}});
  QStringList renamed = kLabels;
  renamed[0] = QStringLiteral("Title");
  renamed[1] = QStringLiteral("Writer");
  l.RefreshCaptions(renamed);
  EXPECT_EQ(Captions(l), (QStringList{"Title", "Shelf", "Writer"}));
  EXPECT_EQ(Widths(l), (std::vector<int>{50, 60, 148}));
}

}  // namespace
