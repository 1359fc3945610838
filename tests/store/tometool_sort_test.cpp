// tometool sort and letters, run as the built binary on a database made from
// the template.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "support/storefixture.h"

namespace storetest {
namespace {

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

class TometoolSort : public StoreTest {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("TOMES_BIN");
    if (!bin || !std::filesystem::exists(std::string(bin) + "/tometool"))
      GTEST_SKIP() << "TOMES_BIN does not hold a built tometool";
    tool_ = std::string(bin) + "/tometool";
    StoreTest::SetUp();
    makeDatabase({{"apple", 3, "0", "Zed"},
                  {"1984", 5, "0", "Orwell"},
                  {"Banana", 1, "0", "amy"},
                  {"zoo", 2, "0", "x"}});
  }
  ToolRun run(const std::string& args) {
    const std::string cmd = tool_ + " " + args + " >" + dataFile("out") + " 2>" + dataFile("err");
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readBytes(dataFile("out")),
            readBytes(dataFile("err"))};
  }
  std::string tool_;
};

TEST_F(TometoolSort, ReusesTemplateTagAndMakesNewOnes) {
  ToolRun r = run("sort " + dataFile("data.dbf") + " 0");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "key: UPPER(SUBSTR(TITLE, 1, 99))\noptions: expression\ntag: IDX1\n");
  r = run("sort " + dataFile("DATA") + " 1- none");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "key: UPPER(AUTHOR)\noptions: expression,descending\ntag: IDX2\n");
  r = run("sort " + dataFile("data.dbf") + " 8- 1");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(
      r.out,
      "key: STR(999999999999999999-VALUE, 20, 4)+UPPER(AUTHOR)\noptions: expression\ntag: IDX3\n");
  EXPECT_EQ(readBytes(dataFile("data.idx")), std::string("\x0a\x01\x03\x00", 4));
}

TEST_F(TometoolSort, FailsWithOneLineWhereApplySortFails) {
  const ToolRun r = run("sort " + dataFile("data.dbf") + " 21");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.out.empty());
  EXPECT_NE(r.err.find("Unable to create Index! Database may be used by someone else"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
  EXPECT_FALSE(std::filesystem::exists(dataFile("data.idx")));
}

TEST_F(TometoolSort, FailsWhileAnotherProgramHasTheTable) {
  dbase::Table other;
  other.open(dataFile("data.dbf"));
  const ToolRun r = run("sort " + dataFile("data.dbf") + " 1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Unable to create Index!"), std::string::npos);
  // An existing tag needs no exclusive use.
  EXPECT_EQ(run("sort " + dataFile("data.dbf") + " 0").status, 0);
}

TEST_F(TometoolSort, BadFieldIsAUsageError) {
  EXPECT_EQ(run("sort " + dataFile("data.dbf") + " 22").status, 2);
  EXPECT_EQ(run("sort " + dataFile("data.dbf") + " x").status, 2);
  EXPECT_EQ(run("sort " + dataFile("data.dbf")).status, 2);
}

TEST_F(TometoolSort, LettersCountTheSavedSort) {
  ASSERT_EQ(run("sort " + dataFile("data.dbf") + " 0-").status, 0);
  const ToolRun r = run("letters " + dataFile("data.dbf"));
  ASSERT_EQ(r.status, 0) << r.err;
  std::string expected;
  for (char c = 'A'; c <= 'Z'; ++c) {
    const int n = c == 'A' ? 2 : c == 'B' ? 1 : c == 'Z' ? 1 : 0;
    expected += std::string(1, c) + " " + std::to_string(n) + "\n";
  }
  EXPECT_EQ(r.out, expected);
}

TEST_F(TometoolSort, LettersAreZeroForANumberSort) {
  ASSERT_EQ(run("sort " + dataFile("data.dbf") + " 8").status, 0);
  const ToolRun r = run("letters " + dataFile("data.dbf"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find("A 0\n"), 0u);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 26);
}

}  // namespace
}  // namespace storetest
