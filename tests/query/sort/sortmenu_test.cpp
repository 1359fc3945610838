#include "query/sort/sortmenu.h"

#include <gtest/gtest.h>

namespace {

// User fields 2..7: three text fields, a memo, a picture and a number.
constexpr int kTitle = 2, kAuthor = 3, kCategory = 4, kNotes = 5, kPicture = 6, kPages = 7;

SortMenuContext books(SortFields sort = {}) {
  SortMenuContext ctx;
  ctx.labels = {"Title", "Author", "Category", "Notes", "Picture", "Pages"};
  ctx.firstUserField = 2;
  for (int f : {kTitle, kAuthor, kCategory}) ctx.stringFields.set(f);
  ctx.memoFields.set(kNotes);
  ctx.blobFields.set(kPicture);
  ctx.sort = sort;
  ctx.label1 = sort.firstField >= 2 ? ctx.labels[sort.firstField - 2] : QString(kEntryOrderLabel);
  ctx.label2 = sort.secondField >= 2 ? ctx.labels[sort.secondField - 2] : QString(kNoneLabel);
  ctx.isDown1 = sort.firstDescending;
  ctx.isDown2 = sort.secondDescending;
  return ctx;
}

QStringList texts(const std::vector<MenuEntry>& entries) {
  QStringList out;
  for (const auto& e : entries) out << e.text;
  return out;
}

std::vector<int> ticked(const std::vector<MenuEntry>& entries) {
  std::vector<int> out;
  for (const auto& e : entries) {
    if (e.checked) out.push_back(e.tag);
  }
  return out;
}

std::vector<int> disabled(const std::vector<MenuEntry>& entries) {
  std::vector<int> out;
  for (const auto& e : entries) {
    if (!e.enabled) out.push_back(e.tag);
  }
  return out;
}

SortFields sort(int first, int second, bool firstDesc = false, bool secondDesc = false) {
  return {first, second, firstDesc, secondDesc};
}

}  // namespace

TEST(FirstFieldMenu, ListsEntryOrderThenEveryLabelWithTags) {
  const auto items = firstFieldEntries(books());
  EXPECT_EQ(texts(items), QStringList({"Entry Order", "Title", "Author", "Category", "Notes",
                                       "Picture", "Pages"}));
  for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i].tag, static_cast<int>(i));
}

TEST(FirstFieldMenu, MemoAndPictureFieldsCannotBeChosen) {
  EXPECT_EQ(disabled(firstFieldEntries(books())), std::vector<int>({4, 5}));
}

TEST(FirstFieldMenu, TicksTheCurrentFirstField) {
  EXPECT_EQ(ticked(firstFieldEntries(books(sort(kAuthor, kNoSortField)))), std::vector<int>({2}));
}

TEST(FirstFieldMenu, TicksEntryOrderWhenTheFirstFieldIsNoUserField) {
  EXPECT_EQ(ticked(firstFieldEntries(books(sort(1, kNoSortField)))), std::vector<int>({0}));
  EXPECT_EQ(ticked(firstFieldEntries(books(sort(kNoSortField, kNoSortField)))),
            std::vector<int>({0}));
}

TEST(FirstFieldMenu, DirectionTickFollowsIsDown1) {
  auto ctx = books(sort(kTitle, kNoSortField));
  ctx.isDown1 = true;
  EXPECT_TRUE(firstDirectionEntries(ctx).descending.checked);
  EXPECT_FALSE(firstDirectionEntries(ctx).ascending.checked);
  ctx.isDown1 = false;
  EXPECT_TRUE(firstDirectionEntries(ctx).ascending.checked);
  EXPECT_FALSE(firstDirectionEntries(ctx).descending.checked);
}

TEST(chooseFirstField, TheTickedFieldChangesNothing) {
  EXPECT_FALSE(chooseFirstField(books(sort(kTitle, kNoSortField)), 1));
  EXPECT_FALSE(chooseFirstField(books(), 0));
}

TEST(chooseFirstField, EntryOrderClearsBothFields) {
  const auto s = chooseFirstField(books(sort(kTitle, kAuthor)), 0);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->firstField, kNoSortField);
  EXPECT_EQ(s->secondField, kNoSortField);
}

TEST(chooseFirstField, TagMapsToUserFieldFromFirstUserField) {
  const auto s = chooseFirstField(books(sort(kTitle, kNoSortField)), 6);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->firstField, kPages);
}

TEST(chooseFirstField, ClearsTheSecondFieldWhenItIsTheSame) {
  const auto s = chooseFirstField(books(sort(kTitle, kAuthor)), 2);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->firstField, kAuthor);
  EXPECT_EQ(s->secondField, kNoSortField);
}

TEST(chooseFirstField, KeepsADifferentSecondField) {
  const auto s = chooseFirstField(books(sort(kTitle, kPages)), 2);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->secondField, kPages);
}

TEST(chooseFirstField, SecondDirectionFollowsWhenBothAreStringFields) {
  const auto s = chooseFirstField(books(sort(kPages, kAuthor, true, false)), 1);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->firstField, kTitle);
  EXPECT_TRUE(s->secondDescending);
}

TEST(chooseFirstField, SecondDirectionStaysWhenTheSecondIsNoStringField) {
  const auto s = chooseFirstField(books(sort(kAuthor, kPages, true, false)), 1);
  ASSERT_TRUE(s);
  EXPECT_FALSE(s->secondDescending);
}

TEST(chooseFirstField, NonUserFieldsNeverCountAsStringFields) {
  auto ctx = books(sort(kPages, 1, true, false));
  ctx.stringFields.set(1);  // the filter mark is text, but no second sort field
  const auto s = chooseFirstField(ctx, 1);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->firstField, kTitle);
  EXPECT_FALSE(s->secondDescending);
}

TEST(chooseFirstField, RefusesMemoAndPictureFields) {
  EXPECT_FALSE(chooseFirstField(books(), 4));
  EXPECT_FALSE(chooseFirstField(books(), 5));
  EXPECT_FALSE(chooseFirstField(books(), 7));  // no such label
}

TEST(chooseFirstDirection, TheTickedDirectionChangesNothing) {
  EXPECT_FALSE(chooseFirstDirection(books(sort(kTitle, kNoSortField, true)), true));
  EXPECT_FALSE(chooseFirstDirection(books(sort(kTitle, kNoSortField, false)), false));
}

TEST(chooseFirstDirection, InvertsTheFirstDirection) {
  const auto s = chooseFirstDirection(books(sort(kPages, kTitle, false, false)), true);
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->firstDescending);
  EXPECT_FALSE(s->secondDescending);  // a number and a text keep their own directions
}

TEST(chooseFirstDirection, SecondFollowsWhenBothAreStringFields) {
  const auto s = chooseFirstDirection(books(sort(kTitle, kAuthor, false, false)), true);
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->firstDescending);
  EXPECT_TRUE(s->secondDescending);
}

TEST(secondFieldMenu, ListsNoneThenEveryLabel) {
  const auto m = secondFieldMenu(books(sort(kTitle, kNoSortField)));
  EXPECT_EQ(texts(m.fields),
            QStringList({"NONE", "Title", "Author", "Category", "Notes", "Picture", "Pages"}));
  EXPECT_EQ(ticked(m.fields), std::vector<int>({0}));
}

TEST(secondFieldMenu, FirstFieldMemoAndPictureCannotBeChosen) {
  const auto m = secondFieldMenu(books(sort(kCategory, kAuthor)));
  EXPECT_EQ(disabled(m.fields), std::vector<int>({3, 4, 5}));
  EXPECT_EQ(ticked(m.fields), std::vector<int>({2}));
}

TEST(secondFieldMenu, EntryOrderOffersNeitherFieldNorDirection) {
  const auto m = secondFieldMenu(books(sort(kNoSortField, kNoSortField)));
  EXPECT_FALSE(m.fieldSubmenuEnabled);
  EXPECT_FALSE(m.directionSubmenuEnabled);
  EXPECT_FALSE(chooseSecondField(books(), 1));
  EXPECT_FALSE(chooseSecondDirection(books(), true));
}

TEST(secondFieldMenu, NoSecondFieldOffersFieldsButNoDirection) {
  const auto m = secondFieldMenu(books(sort(kTitle, kNoSortField)));
  EXPECT_TRUE(m.fieldSubmenuEnabled);
  EXPECT_FALSE(m.directionSubmenuEnabled);
}

TEST(secondFieldMenu, TwoStringFieldsLeaveOnlyTheTickedDirection) {
  const auto m = secondFieldMenu(books(sort(kTitle, kAuthor, true, true)));
  EXPECT_TRUE(m.directionSubmenuEnabled);
  EXPECT_TRUE(m.directions.descending.checked);
  EXPECT_TRUE(m.directions.descending.enabled);
  EXPECT_FALSE(m.directions.ascending.enabled);
}

TEST(secondFieldMenu, StringAndNumberOfferBothDirections) {
  const auto m = secondFieldMenu(books(sort(kTitle, kPages, false, true)));
  EXPECT_TRUE(m.directions.ascending.enabled);
  EXPECT_TRUE(m.directions.descending.enabled);
  EXPECT_TRUE(m.directions.descending.checked);
}

TEST(chooseSecondField, SetsTheFieldAndFollowsTheFirstDirectionForTwoStrings) {
  const auto s = chooseSecondField(books(sort(kTitle, kNoSortField, true, false)), 2);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->secondField, kAuthor);
  EXPECT_TRUE(s->secondDescending);
}

TEST(chooseSecondField, NumberKeepsItsDirection) {
  const auto s = chooseSecondField(books(sort(kTitle, kNoSortField, true, false)), 6);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->secondField, kPages);
  EXPECT_FALSE(s->secondDescending);
}

TEST(chooseSecondField, NoneClearsTheSecondField) {
  const auto s = chooseSecondField(books(sort(kTitle, kAuthor)), 0);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->secondField, kNoSortField);
}

TEST(chooseSecondField, RefusesTheFirstFieldAndMemoFields) {
  EXPECT_FALSE(chooseSecondField(books(sort(kTitle, kNoSortField)), 1));
  EXPECT_FALSE(chooseSecondField(books(sort(kTitle, kNoSortField)), 4));
}

TEST(chooseSecondDirection, InvertsTheSecondDirection) {
  const auto s = chooseSecondDirection(books(sort(kTitle, kPages, false, false)), true);
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->secondDescending);
  EXPECT_FALSE(s->firstDescending);
}

TEST(chooseSecondDirection, RefusedWithoutSecondFieldTickedOrTwoStrings) {
  EXPECT_FALSE(chooseSecondDirection(books(sort(kTitle, kNoSortField)), true));
  EXPECT_FALSE(chooseSecondDirection(books(sort(kTitle, kPages, false, true)), true));
  EXPECT_FALSE(chooseSecondDirection(books(sort(kTitle, kAuthor, false, false)), true));
}

TEST(filterMenu, EveryStateButTheCurrentIsEnabled) {
  for (int state : {fsFilterOff, fsNormal, fsReversed}) {
    const auto m = filterMenu(state, {});
    EXPECT_EQ(texts(m.states), QStringList({"&All Records", "&Normal Filter", "&Reversed Filter"}));
    EXPECT_EQ(disabled(m.states), std::vector<int>({state}));
  }
}

TEST(filterMenu, TemplateSubmenusListNamesInOrderAndNeedTemplates) {
  const auto empty = filterMenu(fsFilterOff, {});
  EXPECT_FALSE(empty.loadSubmenuEnabled);
  EXPECT_FALSE(empty.deleteSubmenuEnabled);
  const auto m = filterMenu(fsFilterOff, {"Unread", "Borrowed"});
  EXPECT_TRUE(m.loadSubmenuEnabled);
  EXPECT_TRUE(m.deleteSubmenuEnabled);
  EXPECT_EQ(texts(m.loadTemplates), QStringList({"Unread", "Borrowed"}));
  EXPECT_EQ(texts(m.deleteTemplates), QStringList({"Unread", "Borrowed"}));
}

TEST(filterMenu, StateCaptions) {
  EXPECT_EQ(filterStateCaption(fsFilterOff), "All Records");
  EXPECT_EQ(filterStateCaption(fsNormal), "Normal Filter");
  EXPECT_EQ(filterStateCaption(fsReversed), "Reversed Filter");
}
