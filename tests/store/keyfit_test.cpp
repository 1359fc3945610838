// Every key the sort can build, given to the engine as a tag on the template
// layout: each fits dBASE's 100-character key limit, with the filter mark too.

#include <gtest/gtest.h>

#include <set>

#include "support/storefixture.h"

namespace storetest {
namespace {

class KeyFit : public StoreTest {
 protected:
  // Whether the engine takes the key of this sort as a tag. The filtered key is
  // the plain one behind the mark field: when it fits, the plain one does.
  bool fits(dbase::Table& t, int first, bool d1, int second, bool d2) {
    SortState s;
    s.firstField = static_cast<uint8_t>(first);
    s.firstDescending = d1;
    s.secondField = static_cast<uint8_t>(second);
    s.secondDescending = d2;
    s.buildKeys(t.fields(), 2);
    if (s.keyExpression.empty()) return false;
    try {
      const bool descending = (s.indexOptions & kIndexDescending) != 0;
      t.addTag({"TF", s.filteredKeyExpression, descending, false, ""});
      t.deleteTag("TF");
      return true;
    } catch (const dbase::Error&) {
      return false;
    }
  }
};

TEST_F(KeyFit, EverySingleFieldKeyButThePictureFits) {
  makeDatabase({{"a", 1}});
  dbase::Table t;
  t.open(dataFile("data.dbf"), dbase::OpenMode::Exclusive);
  for (int f = 0; f < 24; ++f)
    for (bool d : {false, true})
      EXPECT_EQ(fits(t, f, d, 0, false), f != F(kPicture)) << "field " << f << " desc " << d;
}

TEST_F(KeyFit, EveryTwoFieldKeyFits) {
  makeDatabase({{"a", 1}});
  dbase::Table t;
  t.open(dataFile("data.dbf"), dbase::OpenMode::Exclusive);
  const auto& fields = t.fields();
  // Keys depend on the fields' kinds and sizes only: one pair of each shape.
  std::set<std::string> tried;
  auto shape = [&](int f) {
    const auto& d = fields[static_cast<size_t>(f)];
    return std::string(1, static_cast<char>(d.type)) + std::to_string(d.length);
  };
  for (int a = 2; a < 23; ++a) {
    for (int b = 2; b < 23; ++b) {
      if (a == b || !tried.insert(shape(a) + "/" + shape(b)).second) continue;
      // Ascending, and the first field reversed: a date takes 8, then 10.
      for (bool d : {false, true})
        EXPECT_TRUE(fits(t, a, d, b, false)) << "fields " << a << "," << b << " desc " << d;
    }
  }
}

}  // namespace
}  // namespace storetest
