#include "sortmenu.h"

#include <gtest/gtest.h>

namespace {

// User fields 2..7: three text fields, a memo, a picture and a number.
constexpr int kTitle = 2, kAuthor = 3, kCategory = 4, kNotes = 5, kPicture = 6, kPages = 7;

TSortMenuContext Books(TSortFields sort = {}) {
  TSortMenuContext ctx;
  ctx.labels = {"Title", "Author", "Category", "Notes", "Picture", "Pages"};
  ctx.firstUserField = 2;
  for (int f : {kTitle, kAuthor, kCategory}) ctx.stringFields.set(f);
  ctx.memoFields.set(kNotes);
  ctx.blobFields.set(kPicture);
  ctx.sort = sort;
  ctx.label1 = sort.FirstField >= 2 ? ctx.labels[sort.FirstField - 2] : QString(kEntryOrderLabel);
  ctx.label2 = sort.SecondField >= 2 ? ctx.labels[sort.SecondField - 2] : QString(kNoneLabel);
  ctx.isDown1 = sort.FirstDescending;
  ctx.isDown2 = sort.SecondDescending;
  return ctx;
}

QStringList Texts(const std::vector<TMenuEntry>& entries) {
  QStringList out;
  for (const auto& e : entries) out << e.text;
  return out;
}

std::vector<int> Ticked(const std::vector<TMenuEntry>& entries) {
  std::vector<int> out;
  for (const auto& e : entries) {
    if (e.checked) out.push_back(e.tag);
  }
  return out;
}

std::vector<int> Disabled(const std::vector<TMenuEntry>& entries) {
  std::vector<int> out;
  for (const auto& e : entries) {
    if (!e.enabled) out.push_back(e.tag);
  }
  return out;
}

TSortFields Sort(int first, int second, bool firstDesc = false, bool secondDesc = false) {
  return {first, second, firstDesc, secondDesc};
}

}  // namespace

TEST(FirstFieldMenu, ListsEntryOrderThenEveryLabelWithTags) {
  const auto items = FirstFieldEntries(Books());
  EXPECT_EQ(Texts(items), QStringList({"Entry Order", "Title", "Author", "Category", "Notes",
                                       "Picture", "Pages"}));
  for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i].tag, static_cast<int>(i));
}

TEST(FirstFieldMenu, MemoAndPictureFieldsCannotBeChosen) {
  EXPECT_EQ(Disabled(FirstFieldEntries(Books())), std::vector<int>({4, 5}));
}

TEST(FirstFieldMenu, TicksTheCurrentFirstField) {
  EXPECT_EQ(Ticked(FirstFieldEntries(Books(Sort(kAuthor, kNoSortField)))), std::vector<int>({2}));
}

TEST(FirstFieldMenu, TicksEntryOrderWhenTheFirstFieldIsNoUserField) {
  EXPECT_EQ(Ticked(FirstFieldEntries(Books(Sort(1, kNoSortField)))), std::vector<int>({0}));
  EXPECT_EQ(Ticked(FirstFieldEntries(Books(Sort(kNoSortField, kNoSortField)))),
            std::vector<int>({0}));
}

TEST(FirstFieldMenu, DirectionTickFollowsIsDown1) {
  auto ctx = Books(Sort(kTitle, kNoSortField));
  ctx.isDown1 = true;
  EXPECT_TRUE(FirstDirectionEntries(ctx).descending.checked);
  EXPECT_FALSE(FirstDirectionEntries(ctx).ascending.checked);
  ctx.isDown1 = false;
  EXPECT_TRUE(FirstDirectionEntries(ctx).ascending.checked);
  EXPECT_FALSE(FirstDirectionEntries(ctx).descending.checked);
}

TEST(ChooseFirstField, TheTickedFieldChangesNothing) {
  EXPECT_FALSE(ChooseFirstField(Books(Sort(kTitle, kNoSortField)), 1));
  EXPECT_FALSE(ChooseFirstField(Books(), 0));
}

TEST(ChooseFirstField, EntryOrderClearsBothFields) {
  const auto s = ChooseFirstField(Books(Sort(kTitle, kAuthor)), 0);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->FirstField, kNoSortField);
  EXPECT_EQ(s->SecondField, kNoSortField);
}

TEST(ChooseFirstField, TagMapsToUserFieldFromFirstUserField) {
  const auto s = ChooseFirstField(Books(Sort(kTitle, kNoSortField)), 6);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->FirstField, kPages);
}

TEST(ChooseFirstField, ClearsTheSecondFieldWhenItIsTheSame) {
  const auto s = ChooseFirstField(Books(Sort(kTitle, kAuthor)), 2);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->FirstField, kAuthor);
  EXPECT_EQ(s->SecondField, kNoSortField);
}

TEST(ChooseFirstField, KeepsADifferentSecondField) {
  const auto s = ChooseFirstField(Books(Sort(kTitle, kPages)), 2);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->SecondField, kPages);
}

TEST(ChooseFirstField, SecondDirectionFollowsWhenBothAreStringFields) {
  const auto s = ChooseFirstField(Books(Sort(kPages, kAuthor, true, false)), 1);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->FirstField, kTitle);
  EXPECT_TRUE(s->SecondDescending);
}

TEST(ChooseFirstField, SecondDirectionStaysWhenTheSecondIsNoStringField) {
  const auto s = ChooseFirstField(Books(Sort(kAuthor, kPages, true, false)), 1);
  ASSERT_TRUE(s);
  EXPECT_FALSE(s->SecondDescending);
}

TEST(ChooseFirstField, NonUserFieldsNeverCountAsStringFields) {
  auto ctx = Books(Sort(kPages, 1, true, false));
  ctx.stringFields.set(1);  // the filter mark is text, but no second sort field
  const auto s = ChooseFirstField(ctx, 1);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->FirstField, kTitle);
  EXPECT_FALSE(s->SecondDescending);
}

TEST(ChooseFirstField, RefusesMemoAndPictureFields) {
  EXPECT_FALSE(ChooseFirstField(Books(), 4));
  EXPECT_FALSE(ChooseFirstField(Books(), 5));
  EXPECT_FALSE(ChooseFirstField(Books(), 7));  // no such label
}

TEST(ChooseFirstDirection, TheTickedDirectionChangesNothing) {
  EXPECT_FALSE(ChooseFirstDirection(Books(Sort(kTitle, kNoSortField, true)), true));
  EXPECT_FALSE(ChooseFirstDirection(Books(Sort(kTitle, kNoSortField, false)), false));
}

TEST(ChooseFirstDirection, InvertsTheFirstDirection) {
  const auto s = ChooseFirstDirection(Books(Sort(kPages, kTitle, false, false)), true);
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->FirstDescending);
  EXPECT_FALSE(s->SecondDescending);  // a number and a text keep their own directions
}

TEST(ChooseFirstDirection, SecondFollowsWhenBothAreStringFields) {
  const auto s = ChooseFirstDirection(Books(Sort(kTitle, kAuthor, false, false)), true);
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->FirstDescending);
  EXPECT_TRUE(s->SecondDescending);
}

TEST(SecondFieldMenu, ListsNoneThenEveryLabel) {
  const auto m = SecondFieldMenu(Books(Sort(kTitle, kNoSortField)));
  EXPECT_EQ(Texts(m.fields),
            QStringList({"NONE", "Title", "Author", "Category", "Notes", "Picture", "Pages"}));
  EXPECT_EQ(Ticked(m.fields), std::vector<int>({0}));
}

TEST(SecondFieldMenu, FirstFieldMemoAndPictureCannotBeChosen) {
  const auto m = SecondFieldMenu(Books(Sort(kCategory, kAuthor)));
  EXPECT_EQ(Disabled(m.fields), std::vector<int>({3, 4, 5}));
  EXPECT_EQ(Ticked(m.fields), std::vector<int>({2}));
}

TEST(SecondFieldMenu, EntryOrderOffersNeitherFieldNorDirection) {
  const auto m = SecondFieldMenu(Books(Sort(kNoSortField, kNoSortField)));
  EXPECT_FALSE(m.fieldSubmenuEnabled);
  EXPECT_FALSE(m.directionSubmenuEnabled);
  EXPECT_FALSE(ChooseSecondField(Books(), 1));
  EXPECT_FALSE(ChooseSecondDirection(Books(), true));
}

TEST(SecondFieldMenu, NoSecondFieldOffersFieldsButNoDirection) {
  const auto m = SecondFieldMenu(Books(Sort(kTitle, kNoSortField)));
  EXPECT_TRUE(m.fieldSubmenuEnabled);
  EXPECT_FALSE(m.directionSubmenuEnabled);
}

TEST(SecondFieldMenu, TwoStringFieldsLeaveOnlyTheTickedDirection) {
  const auto m = SecondFieldMenu(Books(Sort(kTitle, kAuthor, true, true)));
  EXPECT_TRUE(m.directionSubmenuEnabled);
  EXPECT_TRUE(m.directions.descending.checked);
  EXPECT_TRUE(m.directions.descending.enabled);
  EXPECT_FALSE(m.directions.ascending.enabled);
}

TEST(SecondFieldMenu, StringAndNumberOfferBothDirections) {
  const auto m = SecondFieldMenu(Books(Sort(kTitle, kPages, false, true)));
  EXPECT_TRUE(m.directions.ascending.enabled);
  EXPECT_TRUE(m.directions.descending.enabled);
  EXPECT_TRUE(m.directions.descending.checked);
}

TEST(ChooseSecondField, SetsTheFieldAndFollowsTheFirstDirectionForTwoStrings) {
  const auto s = ChooseSecondField(Books(Sort(kTitle, kNoSortField, true, false)), 2);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->SecondField, kAuthor);
  EXPECT_TRUE(s->SecondDescending);
}

TEST(ChooseSecondField, NumberKeepsItsDirection) {
  const auto s = ChooseSecondField(Books(Sort(kTitle, kNoSortField, true, false)), 6);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->SecondField, kPages);
  EXPECT_FALSE(s->SecondDescending);
}

TEST(ChooseSecondField, NoneClearsTheSecondField) {
  const auto s = ChooseSecondField(Books(Sort(kTitle, kAuthor)), 0);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->SecondField, kNoSortField);
}

TEST(ChooseSecondField, RefusesTheFirstFieldAndMemoFields) {
  EXPECT_FALSE(ChooseSecondField(Books(Sort(kTitle, kNoSortField)), 1));
  EXPECT_FALSE(ChooseSecondField(Books(Sort(kTitle, kNoSortField)), 4));
}

TEST(ChooseSecondDirection, InvertsTheSecondDirection) {
  const auto s = ChooseSecondDirection(Books(Sort(kTitle, kPages, false, false)), true);
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->SecondDescending);
  EXPECT_FALSE(s->FirstDescending);
}

TEST(ChooseSecondDirection, RefusedWithoutSecondFieldTickedOrTwoStrings) {
  EXPECT_FALSE(ChooseSecondDirection(Books(Sort(kTitle, kNoSortField)), true));
  EXPECT_FALSE(ChooseSecondDirection(Books(Sort(kTitle, kPages, false, true)), true));
  EXPECT_FALSE(ChooseSecondDirection(Books(Sort(kTitle, kAuthor, false, false)), true));
}

TEST(FilterMenu, EveryStateButTheCurrentIsEnabled) {
  for (int state : {fsFilterOff, fsNormal, fsReversed}) {
    const auto m = FilterMenu(state, {});
    EXPECT_EQ(Texts(m.states), QStringList({"&All Records", "&Normal Filter", "&Reversed Filter"}));
    EXPECT_EQ(Disabled(m.states), std::vector<int>({state}));
  }
}

TEST(FilterMenu, TemplateSubmenusListNamesInOrderAndNeedTemplates) {
  const auto empty = FilterMenu(fsFilterOff, {});
  EXPECT_FALSE(empty.loadSubmenuEnabled);
  EXPECT_FALSE(empty.deleteSubmenuEnabled);
  const auto m = FilterMenu(fsFilterOff, {"Unread", "Borrowed"});
  EXPECT_TRUE(m.loadSubmenuEnabled);
  EXPECT_TRUE(m.deleteSubmenuEnabled);
  EXPECT_EQ(Texts(m.loadTemplates), QStringList({"Unread", "Borrowed"}));
  EXPECT_EQ(Texts(m.deleteTemplates), QStringList({"Unread", "Borrowed"}));
}

TEST(FilterMenu, StateCaptions) {
  EXPECT_EQ(FilterStateCaption(fsFilterOff), "All Records");
  EXPECT_EQ(FilterStateCaption(fsNormal), "Normal Filter");
  EXPECT_EQ(FilterStateCaption(fsReversed), "Reversed Filter");
}
