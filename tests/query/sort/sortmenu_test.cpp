#include "query/sort/sortmenu.h"

#include <gtest/gtest.h>

#include <optional>

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
  ctx.firstLabel =
      sort.firstField >= 2 ? ctx.labels[sort.firstField - 2] : QString(kEntryOrderLabel);
  ctx.secondLabel = sort.secondField >= 2 ? ctx.labels[sort.secondField - 2] : QString(kNoneLabel);
  ctx.firstArrowDown = sort.firstDescending;
  ctx.secondArrowDown = sort.secondDescending;
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

TEST(FirstFieldMenu, TicksTheCurrentFirstFieldElseEntryOrder) {
  const struct {
    SortFields sort;
    int tick;
  } rows[] = {{sort(kAuthor, kNoSortField), 2},
              {sort(1, kNoSortField), 0},  // no user field
              {sort(kNoSortField, kNoSortField), 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.sort.firstField);
    EXPECT_EQ(ticked(firstFieldEntries(books(row.sort))), std::vector<int>({row.tick}));
  }
}

TEST(FirstFieldMenu, DirectionTickFollowsTheArrow) {
  auto ctx = books(sort(kTitle, kNoSortField));
  for (bool down : {true, false}) {
    SCOPED_TRACE(down);
    ctx.firstArrowDown = down;
    EXPECT_EQ(firstDirectionEntries(ctx).descending.checked, down);
    EXPECT_EQ(firstDirectionEntries(ctx).ascending.checked, !down);
  }
}

namespace {

enum class Rule { FirstField, FirstDirection, SecondField, SecondDirection };

std::optional<SortFields> choose(Rule rule, const SortMenuContext& ctx, int arg) {
  switch (rule) {
    case Rule::FirstField:
      return chooseFirstField(ctx, arg);
    case Rule::FirstDirection:
      return chooseFirstDirection(ctx, arg != 0);
    case Rule::SecondField:
      return chooseSecondField(ctx, arg);
    case Rule::SecondDirection:
      return chooseSecondDirection(ctx, arg != 0);
  }
  return std::nullopt;
}

// A menu choice from a sort state: refused, or what the new state must read.
struct Choice {
  const char* what;
  Rule rule;
  SortFields from;
  int arg;  // menu tag, or 1 for Descending
  bool refused = false;
  std::optional<int> first = {};
  std::optional<int> second = {};
  std::optional<bool> firstDescending = {};
  std::optional<bool> secondDescending = {};
};

constexpr int kNone = kNoSortField;

// clang-format off
const Choice kChoices[] = {
    {"ticked first field", Rule::FirstField, sort(kTitle, kNone), 1, true},
    {"ticked entry order", Rule::FirstField, {}, 0, true},
    {"memo as first", Rule::FirstField, {}, 4, true},
    {"picture as first", Rule::FirstField, {}, 5, true},
    {"no such label", Rule::FirstField, {}, 7, true},
    {"entry order clears both", Rule::FirstField, sort(kTitle, kAuthor), 0, false, kNone, kNone},
    {"tag from FirstUserField", Rule::FirstField, sort(kTitle, kNone), 6, false, kPages},
    {"same second cleared", Rule::FirstField, sort(kTitle, kAuthor), 2, false, kAuthor, kNone},
    {"other second kept", Rule::FirstField, sort(kTitle, kPages), 2, false, {}, kPages},
    {"two texts: second direction follows", Rule::FirstField, sort(kPages, kAuthor, true, false),
     1, false, kTitle, {}, {}, true},
    {"number second keeps its direction", Rule::FirstField, sort(kAuthor, kPages, true, false), 1,
     false, {}, {}, {}, false},
    {"ticked descending", Rule::FirstDirection, sort(kTitle, kNone, true), 1, true},
    {"ticked ascending", Rule::FirstDirection, sort(kTitle, kNone, false), 0, true},
    {"number and text keep their own directions", Rule::FirstDirection, sort(kPages, kTitle), 1,
     false, {}, {}, true, false},
    {"two texts: second follows", Rule::FirstDirection, sort(kTitle, kAuthor), 1, false, {}, {},
     true, true},
    {"second after entry order", Rule::SecondField, {}, 1, true},
    {"first field as second", Rule::SecondField, sort(kTitle, kNone), 1, true},
    {"memo as second", Rule::SecondField, sort(kTitle, kNone), 4, true},
    {"two texts: follows the first direction", Rule::SecondField, sort(kTitle, kNone, true, false),
     2, false, {}, kAuthor, {}, true},
    {"number keeps its direction", Rule::SecondField, sort(kTitle, kNone, true, false), 6, false,
     {}, kPages, {}, false},
    {"none clears the second", Rule::SecondField, sort(kTitle, kAuthor), 0, false, {}, kNone},
    {"direction after entry order", Rule::SecondDirection, {}, 1, true},
    {"direction without second", Rule::SecondDirection, sort(kTitle, kNone), 1, true},
    {"ticked second direction", Rule::SecondDirection, sort(kTitle, kPages, false, true), 1, true},
    {"second direction of two texts", Rule::SecondDirection, sort(kTitle, kAuthor), 1, true},
    {"inverts the second direction", Rule::SecondDirection, sort(kTitle, kPages), 1, false, {}, {},
     false, true},
};
// clang-format on

}  // namespace

TEST(SortMenuChoice, RefusedOrLeadsToTheNewSortFields) {
  for (const Choice& c : kChoices) {
    SCOPED_TRACE(c.what);
    const auto s = choose(c.rule, books(c.from), c.arg);
    if (c.refused) {
      EXPECT_FALSE(s);
      continue;
    }
    ASSERT_TRUE(s);
    if (c.first) {
      EXPECT_EQ(s->firstField, *c.first);
    }
    if (c.second) {
      EXPECT_EQ(s->secondField, *c.second);
    }
    if (c.firstDescending) {
      EXPECT_EQ(s->firstDescending, *c.firstDescending);
    }
    if (c.secondDescending) {
      EXPECT_EQ(s->secondDescending, *c.secondDescending);
    }
  }
}

TEST(chooseFirstField, NonUserFieldsNeverCountAsStringFields) {
  auto ctx = books(sort(kPages, 1, true, false));
  ctx.stringFields.set(1);  // the filter mark is text, but no second sort field
  const auto s = chooseFirstField(ctx, 1);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->firstField, kTitle);
  EXPECT_FALSE(s->secondDescending);
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
