#include <gtest/gtest.h>

#include "sortchoice.h"

namespace {

// Labels of a small table: fields 2.. are Title (text), Author (text),
// Published (date), Value (number), Notes (memo), Picture (binary).
TSortChoice Make() {
  TFieldSet strings, memos, blobs;
  strings.set(2).set(3);
  memos.set(6);
  blobs.set(7);
  return TSortChoice({"Title", "Author", "Published", "Value", "Notes", "Picture"}, strings, memos,
                     blobs, 2);
}

TEST(SortChoice, MemoAndPictureFieldsAreNotOffered) {
  const TSortChoice c = Make();
  EXPECT_EQ(c.PrimaryItems(), QStringList({"Entry Order", "Title", "Author", "Published", "Value"}));
  EXPECT_EQ(c.SecondaryItems(), QStringList({"NONE", "Title", "Author", "Published", "Value"}));
}

TEST(SortChoice, PositionsAndFieldNumbers) {
  const TSortChoice c = Make();
  EXPECT_EQ(c.PositionOf(0), 0);
  EXPECT_EQ(c.PositionOf(2), 1);
  EXPECT_EQ(c.PositionOf(5), 4);
  EXPECT_EQ(c.PositionOf(6), 0);  // a memo has no position
  EXPECT_EQ(c.FieldAt(0), 0);
  EXPECT_EQ(c.FieldAt(3), 4);
}

TEST(SortChoice, EntryOrderForcesNoSecondField) {
  TSortChoice c = Make();
  c.Load(2, false, 4, true);
  EXPECT_EQ(c.Secondary(), 3);
  EXPECT_TRUE(c.SecondaryOrderEnabled());
  c.SetPrimary(0);
  EXPECT_EQ(c.Secondary(), 0);
  EXPECT_FALSE(c.SecondaryDescending());
  EXPECT_FALSE(c.SecondaryOrderEnabled());
}

TEST(SortChoice, SameFieldTwiceResetsTheSecond) {
  TSortChoice c = Make();
  c.Load(2, false, 0, false);
  c.SetSecondary(1);
  EXPECT_EQ(c.Secondary(), 0);
}

TEST(SortChoice, TwoTextFieldsShareTheirDirection) {
  TSortChoice c = Make();
  c.Load(2, true, 3, false);
  EXPECT_TRUE(c.SecondaryDescending());
  EXPECT_FALSE(c.SecondaryOrderEnabled());
  c.SetPrimaryDescending(false);
  EXPECT_FALSE(c.SecondaryDescending());
  c.SetSecondaryDescending(true);  // disabled: no effect
  EXPECT_FALSE(c.SecondaryDescending());
}

TEST(SortChoice, TextAndDateDirectionsAreFree) {
  TSortChoice c = Make();
  c.Load(2, true, 4, false);
  EXPECT_TRUE(c.SecondaryOrderEnabled());
  c.SetSecondaryDescending(true);
  c.SetPrimaryDescending(false);
  EXPECT_TRUE(c.SecondaryDescending());
  EXPECT_FALSE(c.PrimaryDescending());
}

}  // namespace
