#include <gtest/gtest.h>

#include <map>

#include "spread.h"

namespace {

// A listing of so many records per letter; with tabs off the count is the
// whole table.
class FakeListing : public TListing {
 public:
  std::map<char, int32_t> perLetter;
  bool tabs = false;
  bool rangeFails = false;
  char range = 0;

  bool IsOpen() const override { return true; }
  int32_t RecordCount() override {
    if (range) return perLetter.count(range) ? perLetter[range] : 0;
    int32_t n = 0;
    for (const auto& [l, c] : perLetter) n += c;
    return n;
  }
  bool LetterTabsActive() const override { return tabs; }
  bool SetLetterRange(char letter) override {
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
  TSpreadModel m(l, 24);
  EXPECT_EQ(m.Buttons(), (TSpreadButtons{false, false, false, false}));
  EXPECT_EQ(m.LeftPageNumber(), "1");
  EXPECT_EQ(m.RightPageNumber(), "2");
  EXPECT_FALSE(m.PgDn());
  EXPECT_FALSE(m.Last());

  l.tabs = true;
  m.SelectLetter('A');
  EXPECT_EQ(m.Buttons(), (TSpreadButtons{false, false, true, false}));
  m.SelectLetter('M');
  EXPECT_EQ(m.Buttons(), (TSpreadButtons{false, true, true, false}));
  m.SelectLetter('Z');
  EXPECT_EQ(m.Buttons(), (TSpreadButtons{false, true, false, false}));
}

TEST(Spread, ExactlyOneSpreadPagesOntoAnEmptyOneButLastDoesNot) {
  FakeListing l;
  l.perLetter['B'] = 24;
  TSpreadModel m(l, 24);
  EXPECT_FALSE(m.Buttons().last);
  EXPECT_TRUE(m.Buttons().pgDn);
  EXPECT_TRUE(m.PgDn());
  EXPECT_EQ(m.TopRecord(), 24);
  EXPECT_EQ(m.LeftPageNumber(), "3");
  EXPECT_EQ(m.RightPageNumber(), "4");
  EXPECT_TRUE(m.Last());
  EXPECT_EQ(m.TopRecord(), 0);
}

TEST(Spread, LastShowsTheSpreadWithTheLastRecord) {
  FakeListing l;
  l.perLetter['B'] = 25;
  TSpreadModel m(l, 24);
  EXPECT_TRUE(m.Last());
  EXPECT_EQ(m.TopRecord(), 24);
  EXPECT_EQ(m.LeftPageNumber(), "3");
  EXPECT_FALSE(m.Last());  // already there: no refresh
  EXPECT_EQ(m.Buttons(), (TSpreadButtons{true, true, false, false}));

  l.perLetter['B'] = 48;
  m.First();
  EXPECT_TRUE(m.Last());
  EXPECT_EQ(m.TopRecord(), 24);  // pages 3 and 4, not an empty 5 and 6
  EXPECT_TRUE(m.First());
  EXPECT_FALSE(m.First());
}

TEST(Spread, PagingCrossesLetters) {
  FakeListing l;
  l.tabs = true;
  l.perLetter['C'] = 30;
  TSpreadModel m(l, 24);
  m.SelectLetter('C');
  EXPECT_TRUE(m.PgDn());
  EXPECT_EQ(m.TopRecord(), 24);
  EXPECT_EQ(m.CurrentLetter(), 'C');
  // The last spread of C: the next page is D's first, although D is empty.
  EXPECT_TRUE(m.PgDn());
  EXPECT_EQ(m.CurrentLetter(), 'D');
  EXPECT_EQ(m.TopRecord(), 0);
  EXPECT_EQ(l.range, 'D');
  // And back to C's last spread.
  EXPECT_TRUE(m.PgUp());
  EXPECT_EQ(m.CurrentLetter(), 'C');
  EXPECT_EQ(m.TopRecord(), 24);
  EXPECT_EQ(l.range, 'C');
}

TEST(Spread, NoLettersBeyondAandZ) {
  FakeListing l;
  l.tabs = true;
  TSpreadModel m(l, 12);
  EXPECT_FALSE(m.PgUp());
  m.SelectLetter('Z');
  EXPECT_FALSE(m.PgDn());
  EXPECT_FALSE(m.SelectLetter('['));
  EXPECT_EQ(m.CurrentLetter(), 'Z');
}

TEST(Spread, RangeThatCannotBeAppliedTurnsTheTabsOff) {
  FakeListing l;
  l.tabs = true;
  l.perLetter['A'] = 5;
  l.perLetter['Q'] = 5;
  TSpreadModel m(l, 24);
  l.rangeFails = true;
  m.SelectLetter('B');
  EXPECT_FALSE(m.LetterTabsEnabled());
  EXPECT_FALSE(m.TabsActive());
  EXPECT_EQ(l.RecordCount(), 10);  // the whole listing again
  EXPECT_EQ(m.Buttons(), (TSpreadButtons{false, false, false, false}));
}

TEST(Spread, PageNumbersKeepTheirFirstSixDigits) {
  FakeListing l;
  l.perLetter['A'] = 100000000;
  TSpreadModel m(l, 24);
  m.SetTopRecord(24 * 499999);  // pages 999999 and 1000000
  EXPECT_EQ(m.LeftPageNumber(), "999999");
  EXPECT_EQ(m.RightPageNumber(), "100000");
}

}  // namespace
