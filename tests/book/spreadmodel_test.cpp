#include <gtest/gtest.h>

#include <map>

#include "book/spreadmodel.h"

namespace {

// A listing of so many records per letter; with tabs off the count is the
// whole table.
class FakeListing : public Listing {
 public:
  std::map<char, int32_t> perLetter;
  bool tabs = false;
  bool rangeFails = false;
  char range = 0;

  bool isOpen() const override { return true; }
  int32_t recordCount() override {
    if (range) return perLetter.count(range) ? perLetter[range] : 0;
    int32_t n = 0;
    for (const auto& [l, c] : perLetter) n += c;
    return n;
  }
  bool letterTabsActive() const override { return tabs; }
  bool setLetterRange(char letter) override {
    if (!tabs || rangeFails) {
      range = 0;
      return false;
    }
    range = letter;
    return true;
  }
};

TEST(Spread, EmptyListing) {
  FakeListing l;
  SpreadModel m(l, 24);
  EXPECT_EQ(m.buttons(), (SpreadButtons{false, false, false, false}));
  EXPECT_EQ(m.leftPageNumber(), "1");
  EXPECT_EQ(m.rightPageNumber(), "2");
  EXPECT_FALSE(m.pgDn());
  EXPECT_FALSE(m.last());

  l.tabs = true;
  m.selectLetter('A');
  EXPECT_EQ(m.buttons(), (SpreadButtons{false, false, true, false}));
  m.selectLetter('M');
  EXPECT_EQ(m.buttons(), (SpreadButtons{false, true, true, false}));
  m.selectLetter('Z');
  EXPECT_EQ(m.buttons(), (SpreadButtons{false, true, false, false}));
}

TEST(Spread, ExactlyOneSpreadPagesOntoAnEmptyOneButLastDoesNot) {
  FakeListing l;
  l.perLetter['B'] = 24;
  SpreadModel m(l, 24);
  EXPECT_FALSE(m.buttons().last);
  EXPECT_TRUE(m.buttons().pgDn);
  EXPECT_TRUE(m.pgDn());
  EXPECT_EQ(m.topRecord(), 24);
  EXPECT_EQ(m.leftPageNumber(), "3");
  EXPECT_EQ(m.rightPageNumber(), "4");
  EXPECT_TRUE(m.last());
  EXPECT_EQ(m.topRecord(), 0);
}

TEST(Spread, LastShowsTheSpreadWithTheLastRecord) {
  FakeListing l;
  l.perLetter['B'] = 25;
  SpreadModel m(l, 24);
  EXPECT_TRUE(m.last());
  EXPECT_EQ(m.topRecord(), 24);
  EXPECT_EQ(m.leftPageNumber(), "3");
  EXPECT_FALSE(m.last());  // already there: no refresh
  EXPECT_EQ(m.buttons(), (SpreadButtons{true, true, false, false}));

  l.perLetter['B'] = 48;
  m.first();
  EXPECT_TRUE(m.last());
  EXPECT_EQ(m.topRecord(), 24);  // pages 3 and 4, not an empty 5 and 6
  EXPECT_TRUE(m.first());
  EXPECT_FALSE(m.first());
}

TEST(Spread, PagingCrossesLetters) {
  FakeListing l;
  l.tabs = true;
  l.perLetter['C'] = 30;
  SpreadModel m(l, 24);
  m.selectLetter('C');
  EXPECT_TRUE(m.pgDn());
  EXPECT_EQ(m.topRecord(), 24);
  EXPECT_EQ(m.currentLetter(), 'C');
  // The last spread of C: the next page is D's first, although D is empty.
  EXPECT_TRUE(m.pgDn());
  EXPECT_EQ(m.currentLetter(), 'D');
  EXPECT_EQ(m.topRecord(), 0);
  EXPECT_EQ(l.range, 'D');
  // And back to C's last spread.
  EXPECT_TRUE(m.pgUp());
  EXPECT_EQ(m.currentLetter(), 'C');
  EXPECT_EQ(m.topRecord(), 24);
  EXPECT_EQ(l.range, 'C');
}

TEST(Spread, NoLettersBeyondAandZ) {
  FakeListing l;
  l.tabs = true;
  SpreadModel m(l, 12);
  EXPECT_FALSE(m.pgUp());
  m.selectLetter('Z');
  EXPECT_FALSE(m.pgDn());
  EXPECT_FALSE(m.selectLetter('['));
  EXPECT_EQ(m.currentLetter(), 'Z');
}

TEST(Spread, RangeThatCannotBeAppliedTurnsTheTabsOff) {
  FakeListing l;
  l.tabs = true;
  l.perLetter['A'] = 5;
  l.perLetter['Q'] = 5;
  SpreadModel m(l, 24);
  l.rangeFails = true;
  m.selectLetter('B');
  EXPECT_FALSE(m.letterTabsEnabled());
  EXPECT_FALSE(m.tabsActive());
  EXPECT_EQ(l.recordCount(), 10);  // the whole listing again
  EXPECT_EQ(m.buttons(), (SpreadButtons{false, false, false, false}));
}

TEST(Spread, PageNumbersKeepTheirFirstSixDigits) {
  FakeListing l;
  l.perLetter['A'] = 100000000;
  SpreadModel m(l, 24);
  m.setTopRecord(24 * 499999);  // pages 999999 and 1000000
  EXPECT_EQ(m.leftPageNumber(), "999999");
  EXPECT_EQ(m.rightPageNumber(), "100000");
}

}  // namespace
