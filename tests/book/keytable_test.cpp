#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "book/keytable.h"

namespace {

// A table like a view's: single keys, runs of keys, and the same key under
// other modifiers; each row writes what it did into `log`.
class KeyTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    keys.add(Qt::Key_PageUp, Qt::ControlModifier, [this] { log.push_back("page up"); });
    keys.add(Qt::Key_PageUp, Qt::AltModifier, [this] { log.push_back("previous"); });
    keys.addRange(Qt::Key_A, Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier,
                  [this](int i) { log.push_back(std::string("letter ") + char('A' + i)); });
    keys.addRange(Qt::Key_F6, Qt::Key_F8, Qt::NoModifier,
                  [this](int i) { log.push_back("sort menu " + std::to_string(i)); });
    keys.add(Qt::Key_R, Qt::AltModifier, [] {});
  }

  KeyTable keys;
  std::vector<std::string> log;
};

struct KeyCase {
  int key;
  Qt::KeyboardModifiers mods;
  bool taken;
  std::string did;  // empty: nothing ran
};

TEST_F(KeyTableTest, FindsTheRowOfKeyAndModifiers) {
  const std::vector<KeyCase> cases = {
      {Qt::Key_PageUp, Qt::ControlModifier, true, "page up"},
      {Qt::Key_PageUp, Qt::AltModifier, true, "previous"},
      {Qt::Key_PageUp, Qt::NoModifier, false, ""},
      {Qt::Key_PageUp, Qt::ControlModifier | Qt::ShiftModifier, false, ""},
      // The keypad flag is not one of the counted modifiers.
      {Qt::Key_PageUp, Qt::ControlModifier | Qt::KeypadModifier, true, "page up"},
      {Qt::Key_A, Qt::ControlModifier | Qt::AltModifier, true, "letter A"},
      {Qt::Key_M, Qt::ControlModifier | Qt::AltModifier, true, "letter M"},
      {Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier, true, "letter Z"},
      {Qt::Key_1, Qt::ControlModifier | Qt::AltModifier, false, ""},
      {Qt::Key_M, Qt::ControlModifier, false, ""},
      {Qt::Key_F6, Qt::NoModifier, true, "sort menu 0"},
      {Qt::Key_F8, Qt::NoModifier, true, "sort menu 2"},
      {Qt::Key_F9, Qt::NoModifier, false, ""},
      {Qt::Key_F7, Qt::AltModifier, false, ""},
      // A row that only swallows its key.
      {Qt::Key_R, Qt::AltModifier, true, ""},
  };
  for (const KeyCase& c : cases) {
    log.clear();
    EXPECT_EQ(keys.dispatch(c.key, c.mods), c.taken) << c.key << " " << c.mods.toInt();
    EXPECT_EQ(log, c.did.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.did})
        << c.key << " " << c.mods.toInt();
  }
}

TEST_F(KeyTableTest, TheFirstMatchingRowWins) {
  keys.add(Qt::Key_PageUp, Qt::ControlModifier, [this] { log.push_back("later row"); });
  EXPECT_TRUE(keys.dispatch(Qt::Key_PageUp, Qt::ControlModifier));
  EXPECT_EQ(log, std::vector<std::string>{"page up"});
  const KeyBinding* row = keys.find(Qt::Key_PageUp, Qt::ControlModifier);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->firstKey, Qt::Key_PageUp);
}

TEST(KeyTable, AnEmptyTableTakesNothing) {
  const KeyTable keys;
  EXPECT_EQ(keys.size(), 0u);
  EXPECT_EQ(keys.find(Qt::Key_F2, Qt::NoModifier), nullptr);
  EXPECT_FALSE(keys.dispatch(Qt::Key_F2, Qt::NoModifier));
}

}  // namespace
