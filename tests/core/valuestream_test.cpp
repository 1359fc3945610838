#include "core/valuestream.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <limits>

using namespace valuestream;

namespace {

QByteArray bytes(std::initializer_list<int> list) {
  QByteArray out;
  for (int b : list) out.append(static_cast<char>(b));
  return out;
}

struct IntCase {
  int32_t value;
  QByteArray encoded;
};

class IntegerForms : public ::testing::TestWithParam<IntCase> {};

TEST_P(IntegerForms, WriterPicksTheSmallestForm) {
  ValueWriter w;
  w.integer(GetParam().value);
  EXPECT_EQ(w.data().toHex(' '), GetParam().encoded.toHex(' '));
}

TEST_P(IntegerForms, ReaderGivesTheValueBack) {
  ValueReader r(GetParam().encoded);
  EXPECT_EQ(r.integer(), GetParam().value);
  EXPECT_TRUE(r.atEnd());
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, IntegerForms,
    ::testing::Values(
        IntCase{0, bytes({0x02, 0x00})}, IntCase{127, bytes({0x02, 0x7F})},
        IntCase{-128, bytes({0x02, 0x80})}, IntCase{128, bytes({0x03, 0x80, 0x00})},
        IntCase{-129, bytes({0x03, 0x7F, 0xFF})}, IntCase{32767, bytes({0x03, 0xFF, 0x7F})},
        IntCase{-32768, bytes({0x03, 0x00, 0x80})},
        IntCase{32768, bytes({0x04, 0x00, 0x80, 0x00, 0x00})},
        IntCase{-32769, bytes({0x04, 0xFF, 0x7F, 0xFF, 0xFF})},
        IntCase{std::numeric_limits<int32_t>::max(), bytes({0x04, 0xFF, 0xFF, 0xFF, 0x7F})},
        IntCase{std::numeric_limits<int32_t>::min(), bytes({0x04, 0x00, 0x00, 0x00, 0x80})}));

TEST(ValueStream, ReaderAcceptsWiderIntegerFormsThanNeeded) {
  ValueReader r(bytes({0x04, 0x05, 0x00, 0x00, 0x00, 0x03, 0xFF, 0xFF, 0x03, 0x07, 0x00}));
  EXPECT_EQ(r.integer(), 5);
  EXPECT_EQ(r.integer(), -1);
  EXPECT_EQ(r.integer(), 7);
}

TEST(ValueStream, StringsUpTo255BytesTakeTheShortForm) {
  ValueWriter w;
  w.string(QString(255, u'x'));
  ASSERT_EQ(w.data().size(), 2 + 255);
  EXPECT_EQ(static_cast<uint8_t>(w.data()[0]), kString);
  EXPECT_EQ(static_cast<uint8_t>(w.data()[1]), 255);
  EXPECT_EQ(w.data().mid(2), QByteArray(255, 'x'));
}

TEST(ValueStream, StringsOf256BytesTakeTheLongForm) {
  ValueWriter w;
  w.string(QString(256, u'y'));
  EXPECT_EQ(w.data().left(5), bytes({0x0C, 0x00, 0x01, 0x00, 0x00}));
  EXPECT_EQ(w.data().mid(5), QByteArray(256, 'y'));
  ValueReader r(w.data());
  EXPECT_EQ(r.string(), QString(256, u'y'));
}

TEST(ValueStream, EmptyStringIsTypeAndZeroLength) {
  ValueWriter w;
  w.string(QString());
  EXPECT_EQ(w.data(), bytes({0x06, 0x00}));
}

TEST(ValueStream, ReaderAcceptsLongFormForShortText) {
  ValueReader r(bytes({0x0C, 0x02, 0x00, 0x00, 0x00, 'O', 'K'}));
  EXPECT_EQ(r.string(), QStringLiteral("OK"));
}

TEST(ValueStream, TextIsStoredAsWindows1252) {
  ValueWriter w;
  w.string(QStringLiteral("Caf\u00E9 \u20AC"));
  EXPECT_EQ(w.data(), bytes({0x06, 0x06, 'C', 'a', 'f', 0xE9, ' ', 0x80}));
  ValueReader r(w.data());
  EXPECT_EQ(r.string(), QStringLiteral("Caf\u00E9 \u20AC"));
}

TEST(ValueStream, ListMarkersAreSingleBytes) {
  ValueWriter w;
  w.listStart();
  w.string(QStringLiteral("A"));
  w.integer(1);
  w.listEnd();
  EXPECT_EQ(w.data(), bytes({0x01, 0x06, 0x01, 'A', 0x02, 0x01, 0x00}));
  ValueReader r(w.data());
  r.listStart();
  EXPECT_FALSE(r.atListEnd());
  EXPECT_EQ(r.string(), QStringLiteral("A"));
  EXPECT_EQ(r.integer(), 1);
  EXPECT_TRUE(r.atListEnd());
  EXPECT_TRUE(r.atEnd());
}

TEST(ValueStreamErrors, UnknownTypeByteIsAStreamErrorNamingTheSource) {
  for (int type : {0x05, 0x07, 0x0B, 0xFF}) {
    ValueReader r(bytes({type, 0x00, 0x00, 0x00, 0x00}), QStringLiteral("header.dat"));
    try {
      r.integer();
      FAIL() << "type " << type << " was read as an integer";
    } catch (const StreamError& e) {
      EXPECT_EQ(e.file(), "header.dat");
    }
  }
  ValueReader r(bytes({0x05, 0x00}));
  EXPECT_THROW(r.string(), StreamError);
}

TEST(ValueStreamErrors, ValueOfTheWrongKindIsAStreamError) {
  ValueReader ints(bytes({0x06, 0x01, 'A'}));
  EXPECT_THROW(ints.integer(), StreamError);
  ValueReader strings(bytes({0x02, 0x01}));
  EXPECT_THROW(strings.string(), StreamError);
  ValueReader lists(bytes({0x02, 0x01}));
  EXPECT_THROW(lists.listStart(), StreamError);
}

TEST(ValueStreamErrors, EveryTruncationOfAValidStreamIsAStreamError) {
  ValueWriter w;
  w.listStart();
  w.string(QStringLiteral("Title"));
  w.integer(100000);
  w.string(QString(300, u'n'));
  w.integer(-200);
  w.listEnd();
  const QByteArray full = w.data();
  for (qsizetype n = 0; n < full.size(); ++n) {
    ValueReader r(full.first(n));
    EXPECT_THROW(
        {
          r.listStart();
          while (!r.atListEnd()) {
            r.string();
            r.integer();
          }
        },
        StreamError)
        << "prefix of " << n << " bytes";
  }
}

TEST(ValueStreamErrors, HugeLengthPastTheEndIsRejectedBeforeAllocating) {
  ValueReader longForm(bytes({0x0C, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}));
  EXPECT_THROW(longForm.string(), StreamError);
  ValueReader negative(bytes({0x0C, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}));
  EXPECT_THROW(negative.string(), StreamError);
  ValueReader shortForm(bytes({0x06, 0x10, 'a', 'b'}));
  EXPECT_THROW(shortForm.string(), StreamError);
}

}  // namespace
