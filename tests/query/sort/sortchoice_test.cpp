#include <gtest/gtest.h>

#include "query/sort/sortchoice.h"

namespace {

// Labels of a small table: fields 2.. are Title (text), Author (text),
// Published (date), Value (number), Notes (memo), Picture (binary).
SortChoice make() {
  FieldSet strings, memos, blobs;
  strings.set(2).set(3);
  memos.set(6);
  blobs.set(7);
  return SortChoice({"Title", "Author", "Published", "Value", "Notes", "Picture"}, strings, memos,
                    blobs, 2);
}

TEST(SortChoice, MemoAndPictureFieldsAreNotOffered) {
  const SortChoice c = make();
  EXPECT_EQ(c.primaryItems(),
            QStringList({"Entry Order", "Title", "Author", "Published", "Value"}));
  EXPECT_EQ(c.secondaryItems(), QStringList({"NONE", "Title", "Author", "Published", "Value"}));
}

TEST(SortChoice, PositionsAndFieldNumbers) {
  const SortChoice c = make();
  EXPECT_EQ(c.positionOf(0), 0);
  EXPECT_EQ(c.positionOf(2), 1);
  EXPECT_EQ(c.positionOf(5), 4);
  EXPECT_EQ(c.positionOf(6), 0);  // a memo has no position
  EXPECT_EQ(c.fieldAt(0), 0);
  EXPECT_EQ(c.fieldAt(3), 4);
}

TEST(SortChoice, EntryOrderForcesNoSecondField) {
  SortChoice c = make();
  c.load(2, false, 4, true);
  EXPECT_EQ(c.secondary(), 3);
  EXPECT_TRUE(c.secondaryOrderEnabled());
  c.setPrimary(0);
  EXPECT_EQ(c.secondary(), 0);
  EXPECT_FALSE(c.secondaryDescending());
  EXPECT_FALSE(c.secondaryOrderEnabled());
}

TEST(SortChoice, SameFieldTwiceResetsTheSecond) {
  SortChoice c = make();
  c.load(2, false, 0, false);
  c.setSecondary(1);
  EXPECT_EQ(c.secondary(), 0);
}

TEST(SortChoice, TwoTextFieldsShareTheirDirection) {
  SortChoice c = make();
  c.load(2, true, 3, false);
  EXPECT_TRUE(c.secondaryDescending());
  EXPECT_FALSE(c.secondaryOrderEnabled());
  c.setPrimaryDescending(false);
  EXPECT_FALSE(c.secondaryDescending());
  c.setSecondaryDescending(true);  // disabled: no effect
  EXPECT_FALSE(c.secondaryDescending());
}

TEST(SortChoice, TextAndDateDirectionsAreFree) {
  SortChoice c = make();
  c.load(2, true, 4, false);
  EXPECT_TRUE(c.secondaryOrderEnabled());
  c.setSecondaryDescending(true);
  c.setPrimaryDescending(false);
  EXPECT_TRUE(c.secondaryDescending());
  EXPECT_FALSE(c.primaryDescending());
}

}  // namespace
