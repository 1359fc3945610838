#include "dbase/mdx.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "dbase/coding.h"
#include "dbase/countcache.h"
#include "dbase/error.h"
#include "dbase/hugemem.h"
#include "dbase/keys.h"
#include "dbase/mdx_format.h"
#include "dbase/mdx_impl.h"
#include "support/indexdamage.h"
#include "table_fixture.h"

namespace dbase {
namespace {

using Entry = std::pair<std::string, uint32_t>;
using testing::readFile;
using testing::ScratchDir;
using testing::tag;
using testing::writeFile;

// The order a tag keeps: its key order (reversed when descending), then record number.
struct TagOrder {
  KeyType type;
  bool descending;
  bool operator()(const Entry& a, const Entry& b) const {
    int c = compareKeys(type, a.first, b.first);
    if (descending) c = -c;
    if (c != 0) return c < 0;
    return a.second < b.second;
  }
};
using Model = std::set<Entry, TagOrder>;

// A tag's entries in order, read forwards or from the last one back.
std::vector<Entry> walk(MdxFile& f, int tag, bool backwards = false) {
  std::vector<Entry> out;
  MdxFile::Cursor c(f, tag);
  for (bool ok = backwards ? c.last() : c.first(); ok; ok = backwards ? c.prev() : c.next())
    out.emplace_back(std::string(c.key()), c.recno());
  if (backwards) std::reverse(out.begin(), out.end());
  return out;
}

std::vector<Entry> asVector(const Model& m) { return {m.begin(), m.end()}; }

// Keys "100000", "100001", ... padded to 20 characters, for records 1 to n.
std::vector<Entry> numberedKeys(uint32_t n) {
  std::vector<Entry> out;
  for (uint32_t i = 0; i < n; ++i)
    out.emplace_back(characterKey(std::to_string(100000 + i), 20), i + 1);
  return out;
}

// Runs `body` in a child whose files may grow to `limit` bytes (a full disk);
// its exit code: 0 when it got through, 2 on an Error, 3 on a FormatError.
int exitCodeWithFileLimit(uintmax_t limit, const std::function<void()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit lim{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
    setrlimit(RLIMIT_FSIZE, &lim);
    int code = 0;
    try {
      body();
    } catch (const FormatError&) {
      code = 3;
    } catch (const Error&) {
      code = 2;
    }
    _exit(code);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string randomWord(std::mt19937& rng, int len) {
  std::uniform_int_distribution<int> letter(0, 25), size(1, len);
  std::string s;
  const int n = size(rng);
  for (int i = 0; i < n; ++i) s.push_back(static_cast<char>('A' + letter(rng) % 6));
  return s;
}

// B.MDX in a scratch folder.
class MdxTest : public ::testing::Test {
 protected:
  // Creates the file and opens it for writing.
  std::unique_ptr<MdxFile> created() {
    MdxFile::create(path, "B");
    return MdxFile::open(path, false);
  }

  ScratchDir dir;
  const std::string path = dir.file("B.MDX");
};
using MdxBuild = MdxTest;
using MdxCorruption = MdxTest;
using MdxCounts = MdxTest;
using MdxCrash = MdxTest;
using MdxCursor = MdxTest;
using MdxFileHeader = MdxTest;
using MdxInterop = MdxTest;
using MdxSharing = MdxTest;
using MdxTags = MdxTest;
using MdxTree = MdxTest;

TEST_F(MdxFileHeader, NewFileHasTheDbaseLayout) {
  const std::string books = dir.file("BOOKS.MDX");
  MdxFile::create(books, "BOOKS");
  const std::string b = readFile(books);
  ASSERT_EQ(b.size(), 2048u);
  EXPECT_EQ(b[0], 2);
  EXPECT_EQ(b.substr(4, 5), "BOOKS");
  EXPECT_EQ(decode16(b.data() + 20), 2);
  EXPECT_EQ(decode16(b.data() + 22), 1024);
  EXPECT_EQ(b[24], 1);
  EXPECT_EQ(b[25], 48);
  EXPECT_EQ(b[26], 32);
  EXPECT_EQ(decode16(b.data() + 28), 0);
  EXPECT_EQ(decode32(b.data() + 32), 4u);
  auto f = MdxFile::open(books, false);
  EXPECT_TRUE(f->tags().empty());
  EXPECT_FALSE(f->needsRebuild());
}

TEST_F(MdxTags, AddedTagsAreListedAndSurviveReopen) {
  {
    auto f = created();
    EXPECT_EQ(f->addTag(tag("title", "UPPER(TITLE)"), KeyType::Character, 40), 0);
    EXPECT_EQ(f->addTag(tag("VALUE", "VALUE", true), KeyType::Numeric, 12), 1);
    EXPECT_EQ(f->addTag(tag("BOUGHT", "BOUGHT", false, true), KeyType::Date, 8), 2);
  }
  auto f = MdxFile::open(path, true);
  const auto tags = f->tags();
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_EQ(tags[0].name, "TITLE");
  EXPECT_EQ(tags[0].expression, "UPPER(TITLE)");
  EXPECT_EQ(tags[0].keyLength, 40);
  EXPECT_EQ(tags[1].keyType, KeyType::Numeric);
  EXPECT_TRUE(tags[1].descending);
  EXPECT_EQ(tags[1].keyLength, 12);
  EXPECT_EQ(tags[2].keyType, KeyType::Date);
  EXPECT_TRUE(tags[2].unique);
  EXPECT_EQ(f->findTag("bought"), 2);
  EXPECT_EQ(f->findTag("nothing"), -1);
  // Tag header fields other readers use.
  const std::string b = readFile(path);
  const char* h = b.data() + tags[0].headerPage * 512;
  EXPECT_EQ(h[8], 0x10);
  EXPECT_EQ(h[9], 'C');
  EXPECT_EQ(decode16(h + 12), 40);
  EXPECT_EQ(decode16(h + 18), 44);
  EXPECT_EQ(std::string(h + 24), "UPPER(TITLE)");
  const char* v = b.data() + tags[1].headerPage * 512;
  EXPECT_EQ(v[8], 0x18);
  const char* d = b.data() + tags[2].headerPage * 512;
  EXPECT_EQ(d[8], 0x50);
  EXPECT_EQ(d[16], 1);
}

TEST_F(MdxTags, RejectsBadDefinitions) {
  auto f = created();
  EXPECT_THROW(f->addTag(tag("TOOLONGNAME1", "X"), KeyType::Character, 10), Error);
  EXPECT_THROW(f->addTag(tag("1ABC", "X"), KeyType::Character, 10), Error);
  EXPECT_THROW(f->addTag(tag("WIDE", "X"), KeyType::Character, 101), Error);
  EXPECT_NO_THROW(f->addTag(tag("WIDEST", "X"), KeyType::Character, 100));
  EXPECT_THROW(f->addTag(tag("widest", "X"), KeyType::Character, 10), Error);
  for (int i = 1; i < 47; ++i) f->addTag(tag("T" + std::to_string(i), "X"), KeyType::Character, 5);
  EXPECT_EQ(f->tags().size(), 47u);
  EXPECT_THROW(f->addTag(tag("ONEMORE", "X"), KeyType::Character, 5), Error);
  auto ro = MdxFile::open(path, true);
  EXPECT_THROW(ro->insert(0, std::string(100, 'x'), 1), Error);
}

// The tag table's left/right/parent bytes must form a search tree of the names.
void expectNameTree(const std::string& path) {
  const std::string b = readFile(path);
  const int n = decode16(b.data() + 28);
  auto entry = [&](int slot) { return b.data() + 544 + (slot - 1) * 32; };
  auto name = [&](int slot) { return std::string(entry(slot) + 4); };
  std::vector<std::string> inorder;
  std::function<void(int, int)> visit = [&](int slot, int parent) {
    if (slot == 0) return;
    ASSERT_LE(slot, n);
    EXPECT_EQ(static_cast<uint8_t>(entry(slot)[18]), parent);
    EXPECT_EQ(entry(slot)[15], 0x10);
    EXPECT_EQ(entry(slot)[19], 0x02);
    visit(static_cast<uint8_t>(entry(slot)[16]), slot);
    inorder.push_back(name(slot));
    visit(static_cast<uint8_t>(entry(slot)[17]), slot);
  };
  if (n > 0) visit(1, 0);
  EXPECT_EQ(static_cast<int>(inorder.size()), n);
  EXPECT_TRUE(std::is_sorted(inorder.begin(), inorder.end()));
}

TEST_F(MdxTags, NameTreeStaysASearchTreeAcrossAddAndDrop) {
  auto f = created();
  for (const char* n : {"MIDDLE", "ALPHA", "ZULU", "KILO", "BRAVO", "YANKEE", "DELTA"})
    f->addTag(tag(n, "X"), KeyType::Character, 8);
  expectNameTree(path);
  f->dropTag("zulu");
  f->dropTag("MIDDLE");
  expectNameTree(path);
  EXPECT_EQ(f->findTag("ZULU"), -1);
  EXPECT_EQ(f->tags().size(), 5u);
  EXPECT_THROW(f->dropTag("ZULU"), Error);
}

TEST_F(MdxTags, DroppedTagPagesAreReused) {
  auto f = created();
  const int keep = f->addTag(tag("KEEP", "K"), KeyType::Character, 10);
  std::vector<Entry> entries;
  for (uint32_t i = 1; i <= 3000; ++i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%010u", i);
    entries.emplace_back(buf, i);
  }
  f->buildTag(keep, entries);
  struct stat st1 {};
  for (int round = 0; round < 3; ++round) {
    const int t = f->addTag(tag("TEMP", "K"), KeyType::Character, 10);
    f->buildTag(t, entries);
    for (uint32_t i = 1; i <= 500; ++i) f->insert(t, entries[i].first, 5000 + i);
    f->dropTag("TEMP");
    if (round == 0) stat(path.c_str(), &st1);
  }
  struct stat st2 {};
  stat(path.c_str(), &st2);
  EXPECT_EQ(st1.st_size, st2.st_size);
  EXPECT_EQ(walk(*f, f->findTag("KEEP")), entries);
}

struct TagCase {
  TagDef def;
  KeyType type;
  int keyLength;
};

std::string randomKey(std::mt19937& rng, KeyType type) {
  switch (type) {
    case KeyType::Numeric: {
      std::uniform_int_distribution<int> v(-5000, 5000);
      return numericKey(v(rng) / 8.0);
    }
    case KeyType::Date: {
      std::uniform_int_distribution<int> v(0, 400);
      const int d = v(rng);
      return dateKey(d < 20 ? 0 : 2451544 + d);
    }
    case KeyType::Character:
      break;
  }
  return characterKey(randomWord(rng, 6), 12);
}

// Random inserts and erases on several tags, checked against an ordered model.
TEST_F(MdxTree, RandomUpdatesMatchAnOrderedModel) {
  MdxFile::create(path, "B");
  const std::vector<TagCase> cases = {
      {tag("NAME", "NAME"), KeyType::Character, 12},
      {tag("NAMEDESC", "NAME", true), KeyType::Character, 12},
      {tag("VALUE", "VALUE"), KeyType::Numeric, 12},
      {tag("VALUEDESC", "VALUE", true), KeyType::Numeric, 12},
      {tag("BOUGHT", "BOUGHT"), KeyType::Date, 8},
  };
  std::vector<Model> models;
  std::mt19937 rng(42);
  {
    auto f = MdxFile::open(path, false);
    for (const auto& c : cases) {
      f->addTag(c.def, c.type, c.keyLength);
      models.emplace_back(TagOrder{c.type, c.def.descending});
    }
    std::vector<std::vector<Entry>> live(cases.size());
    uint32_t recno = 0;
    for (int step = 0; step < 12000; ++step) {
      const size_t t = static_cast<size_t>(rng() % cases.size());
      const bool erase = !live[t].empty() && rng() % 3 == 0;
      if (erase) {
        const size_t i = rng() % live[t].size();
        const Entry e = live[t][i];
        live[t][i] = live[t].back();
        live[t].pop_back();
        f->erase(static_cast<int>(t), e.first, e.second);
        models[t].erase(e);
      } else {
        // Record numbers come in any order, and keys repeat often.
        const Entry e{randomKey(rng, cases[t].type), ++recno * 7919 % 100003};
        f->insert(static_cast<int>(t), e.first, e.second);
        models[t].insert(e);
        live[t].push_back(e);
      }
      if (step % 3000 == 2999) {
        for (size_t k = 0; k < cases.size(); ++k)
          ASSERT_EQ(walk(*f, static_cast<int>(k)), asVector(models[k])) << "tag " << k;
      }
    }
    // Erasing what is not there changes nothing.
    f->erase(0, characterKey("NOPE", 12), 1);
    f->erase(2, numericKey(1e9), 5);
  }
  auto f = MdxFile::open(path, true);
  EXPECT_FALSE(f->needsRebuild());
  for (size_t k = 0; k < cases.size(); ++k) {
    const auto expected = asVector(models[k]);
    EXPECT_EQ(walk(*f, static_cast<int>(k)), expected) << "tag " << k;
    EXPECT_EQ(walk(*f, static_cast<int>(k), true), expected) << "tag " << k;
    EXPECT_EQ(f->count(static_cast<int>(k)), expected.size());
  }
}

// Sorted runs go in with one walk; the tree must come out as single inserts
// would leave it: in order both ways, counted, sound on disk. Runs are
// large and small against the tree, keys repeat (equal separators), and
// record numbers fall below and above those already there.
TEST_F(MdxTree, SortedRunsMatchAnOrderedModel) {
  MdxFile::create(path, "B");
  const std::vector<TagCase> cases = {
      {tag("NAME", "NAME"), KeyType::Character, 12},
      {tag("NAMEDESC", "NAME", true), KeyType::Character, 12},
      {tag("VALUE", "VALUE"), KeyType::Numeric, 12},
      {tag("BOUGHTDESC", "BOUGHT", true), KeyType::Date, 8},
  };
  std::mt19937 rng(77);
  std::vector<Model> models;
  {
    auto f = MdxFile::open(path, false);
    for (const auto& c : cases) {
      f->addTag(c.def, c.type, c.keyLength);
      models.emplace_back(TagOrder{c.type, c.def.descending});
    }
    uint32_t recno = 0;
    for (size_t t = 0; t < cases.size(); ++t) {
      const int tagNo = static_cast<int>(t);
      for (int i = 0; i < 1500; ++i) {
        const Entry e{randomKey(rng, cases[t].type), ++recno * 7919 % 100003};
        f->insert(tagNo, e.first, e.second);
        models[t].insert(e);
      }
      for (const size_t runLength : {1u, 7u, 300u, 5000u, 40u}) {
        Model run(TagOrder{cases[t].type, cases[t].def.descending});
        while (run.size() < runLength) {
          const Entry e{randomKey(rng, cases[t].type), ++recno * 7919 % 100003};
          if (!models[t].count(e)) run.insert(e);
        }
        KeyList sorted(static_cast<size_t>(cases[t].keyLength));
        for (const Entry& e : run) sorted.add(e.first, e.second);
        f->insertSorted(tagNo, sorted);
        models[t].insert(run.begin(), run.end());
        ASSERT_EQ(walk(*f, tagNo), asVector(models[t])) << "tag " << t << ", run " << runLength;
      }
    }
    EXPECT_TRUE(f->layoutProblems().empty());
  }
  auto f = MdxFile::open(path, true);
  EXPECT_FALSE(f->needsRebuild());
  for (size_t t = 0; t < cases.size(); ++t) {
    const auto expected = asVector(models[t]);
    EXPECT_EQ(walk(*f, static_cast<int>(t), true), expected) << "tag " << t;
    EXPECT_EQ(f->count(static_cast<int>(t)), expected.size());
  }
  // Out of order is refused before anything is written.
  KeyList wrong(12);
  wrong.add(characterKey("B", 12), 1);
  wrong.add(characterKey("A", 12), 2);
  auto w = MdxFile::open(path, false);
  EXPECT_THROW(w->insertSorted(0, wrong), Error);
  EXPECT_EQ(walk(*w, 0), asVector(models[0]));
}

// The node cache against an ordered map: pages crowd a few probe runs, so
// erasing has to move later entries up without losing any, through growth.
TEST(MdxBlockCache, MatchesAMapThroughGrowthAndErasure) {
  mdx::BlockCache cache;
  std::map<uint32_t, mdx::BlockRef> model;
  std::mt19937 rng(5);
  auto check = [&] {
    ASSERT_EQ(cache.size(), model.size());
    for (uint32_t page = 2; page <= 6000; page += 2) {
      const mdx::BlockRef* got = cache.find(page);
      const auto want = model.find(page);
      ASSERT_EQ(got != nullptr, want != model.end()) << page;
      if (got) {
        ASSERT_EQ(got->get(), want->second.get()) << page;
      }
    }
  };
  for (int step = 0; step < 20000; ++step) {
    const uint32_t page = 2 * (1 + rng() % 3000);
    if (rng() % 3 == 0) {
      cache.erase(page);
      model.erase(page);
    } else {
      auto b = std::make_shared<mdx::Block>();
      b->dirty = rng() % 2 == 0;
      cache.put(page, b);
      model[page] = b;
    }
    if (step % 5000 == 4999) check();
  }
  cache.eraseIf([](const mdx::BlockRef& b) { return !b->dirty; });
  std::erase_if(model, [](const auto& e) { return !e.second->dirty; });
  check();
  cache.clear();
  model.clear();
  check();
  cache.put(4, std::make_shared<mdx::Block>());
  EXPECT_TRUE(cache.contains(4));
  EXPECT_FALSE(cache.contains(0));  // the mark of a free slot is no page
}

// Nodes come from pooled chunks: across several chunks and reuse, no two live
// nodes share memory, and each keeps what was written into it.
TEST(MdxBlockPool, LiveNodesNeverOverlap) {
  auto pool = std::make_shared<FixedPool>(sizeof(mdx::Block) + 64);
  auto make = [&] { return std::allocate_shared<mdx::Block>(PoolAllocator<mdx::Block>(pool)); };
  std::vector<mdx::BlockRef> live;
  std::mt19937 rng(9);
  auto fill = [](mdx::Block& b, size_t tag) {
    b.d.fill(static_cast<char>(tag * 7 + 1));
    std::memcpy(b.d.data(), &tag, sizeof tag);
  };
  for (size_t tag = 0; tag < 6000; ++tag) {  // about three chunks' worth
    live.push_back(make());
    fill(*live.back(), tag);
    if (rng() % 4 == 0) live.erase(live.begin() + static_cast<long>(rng() % live.size()));
  }
  for (size_t i = 0; i < live.size(); ++i) fill(*live[i], i);
  for (size_t i = 0; i < live.size(); ++i) {
    size_t tag;
    std::memcpy(&tag, live[i]->d.data(), sizeof tag);
    ASSERT_EQ(tag, i);
    ASSERT_EQ(live[i]->d.back(), static_cast<char>(i * 7 + 1));
  }
  // Bigger than the pool's size: from the heap, and still sound.
  struct Big {
    std::array<char, 4096> d{};
  };
  auto big = std::allocate_shared<Big>(PoolAllocator<Big>(pool));
  big->d.fill('x');
  EXPECT_EQ(big->d[4095], 'x');
}

TEST_F(MdxTree, ErasingEverythingLeavesAnEmptyUsableTag) {
  auto f = created();
  const int t = f->addTag(tag("N", "N"), KeyType::Numeric, 12);
  std::vector<Entry> all;
  for (uint32_t i = 1; i <= 4000; ++i) all.emplace_back(numericKey(i % 97), i);
  std::mt19937 rng(3);
  std::shuffle(all.begin(), all.end(), rng);
  for (const auto& e : all) f->insert(t, e.first, e.second);
  std::shuffle(all.begin(), all.end(), rng);
  for (const auto& e : all) f->erase(t, e.first, e.second);
  EXPECT_TRUE(walk(*f, t).empty());
  MdxFile::Cursor c(*f, t);
  EXPECT_FALSE(c.first());
  EXPECT_FALSE(c.last());
  f->insert(t, numericKey(5), 1);
  EXPECT_EQ(walk(*f, t), (std::vector<Entry>{{numericKey(5), 1}}));
}

TEST_F(MdxTree, SplitsKeepDuplicateKeysInRecordOrder) {
  auto f = created();
  const int t = f->addTag(tag("BLANK", "X"), KeyType::Character, 50);
  std::vector<uint32_t> recnos(3000);
  for (uint32_t i = 0; i < recnos.size(); ++i) recnos[i] = i + 1;
  std::mt19937 rng(9);
  std::shuffle(recnos.begin(), recnos.end(), rng);
  const std::string blank(50, ' ');
  for (uint32_t r : recnos) f->insert(t, blank, r);
  f->insert(t, characterKey("A", 50), 7);
  const auto got = walk(*f, t);
  ASSERT_EQ(got.size(), 3001u);
  for (uint32_t i = 0; i < 3000; ++i) EXPECT_EQ(got[i].second, i + 1);
  EXPECT_EQ(got[3000].first, characterKey("A", 50));
  MdxFile::Cursor c(*f, t);
  ASSERT_TRUE(c.seek(blank, 1500));
  EXPECT_EQ(c.recno(), 1500u);
  EXPECT_EQ(c.position(), 1499u);
}

TEST_F(MdxBuild, BulkBuildWalksInOrderAndTakesUpdates) {
  auto f = created();
  const int t = f->addTag(tag("TITLE", "UPPER(TITLE)"), KeyType::Character, 30);
  std::mt19937 rng(5);
  Model model(TagOrder{KeyType::Character, false});
  for (uint32_t i = 1; i <= 50000; ++i) model.insert({characterKey(randomWord(rng, 10), 30), i});
  f->buildTag(t, asVector(model));
  EXPECT_EQ(walk(*f, t), asVector(model));
  std::vector<Entry> live = asVector(model);
  for (uint32_t i = 0; i < 2000; ++i) {
    const Entry e{characterKey(randomWord(rng, 10), 30), 60000 + i};
    f->insert(t, e.first, e.second);
    model.insert(e);
    live.push_back(e);
    const size_t v = rng() % live.size();
    f->erase(t, live[v].first, live[v].second);
    model.erase(live[v]);
    live[v] = live.back();
    live.pop_back();
  }
  EXPECT_EQ(walk(*f, t), asVector(model));
  // Rebuilding replaces the old tree.
  f->buildTag(t, {});
  EXPECT_TRUE(walk(*f, t).empty());
  EXPECT_EQ(f->count(t), 0u);
}

TEST_F(MdxBuild, RejectsUnsortedOrWrongLengthEntries) {
  auto f = created();
  const int t = f->addTag(tag("T", "T"), KeyType::Character, 3);
  EXPECT_THROW(f->buildTag(t, {{"BBB", 1}, {"AAA", 2}}), Error);
  EXPECT_THROW(f->buildTag(t, {{"AAAA", 1}}), Error);
  EXPECT_THROW(f->insert(t, "AA", 1), Error);
}

TEST_F(MdxCursor, SeekFindsFirstEntryAtOrAfterTheKey) {
  auto f = created();
  const int t = f->addTag(tag("AUTHOR", "AUTHOR"), KeyType::Character, 10);
  const int d = f->addTag(tag("AUTHORD", "AUTHOR", true), KeyType::Character, 10);
  std::vector<std::string> names = {"ADAMS", "SMITH", "SMITHSON", "SMYTH", "SMA", "ZED"};
  for (int round = 0; round < 200; ++round)
    for (size_t i = 0; i < names.size(); ++i) {
      const auto r = static_cast<uint32_t>(round * 10 + i + 1);
      f->insert(t, characterKey(names[i], 10), r);
      f->insert(d, characterKey(names[i], 10), r);
    }
  MdxFile::Cursor c(*f, t);
  ASSERT_TRUE(c.seek("SMITH", 0, true));
  EXPECT_EQ(c.key(), characterKey("SMITH", 10));
  EXPECT_EQ(c.recno(), 2u);
  const uint64_t from = c.position();
  ASSERT_TRUE(c.seek("SMJ", 0, true));
  EXPECT_EQ(c.key(), characterKey("SMYTH", 10));
  EXPECT_EQ(c.position() - from, 400u);  // SMITH and SMITHSON
  ASSERT_TRUE(c.seek(characterKey("SMITH", 10), 0, false));
  EXPECT_EQ(c.key(), characterKey("SMITH", 10));
  EXPECT_FALSE(c.seek("ZZ", 0, true));
  EXPECT_FALSE(c.valid());
  // Descending: the same prefix lands on the highest matching key first.
  MdxFile::Cursor cd(*f, d);
  ASSERT_TRUE(cd.seek("SMITH", 0, true));
  EXPECT_EQ(cd.key(), characterKey("SMITHSON", 10));
  ASSERT_TRUE(cd.first());
  EXPECT_EQ(cd.key(), characterKey("ZED", 10));
}

TEST_F(MdxCursor, PositionsMatchTheWalk) {
  auto f = created();
  const int t = f->addTag(tag("D", "D"), KeyType::Date, 8);
  std::vector<Entry> entries;
  for (uint32_t i = 0; i < 20000; ++i) entries.emplace_back(dateKey(2400000 + i / 3), i + 1);
  f->buildTag(t, entries);
  for (uint32_t i = 0; i < 300; ++i) f->insert(t, dateKey(2400000 + i * 20), 90000 + i);
  const auto all = walk(*f, t);
  ASSERT_EQ(f->count(t), all.size());
  MdxFile::Cursor c(*f, t);
  for (uint64_t pos : {uint64_t{0}, uint64_t{1}, uint64_t{777}, all.size() / 2, all.size() - 1}) {
    ASSERT_TRUE(c.goToPosition(pos));
    EXPECT_EQ(c.key(), all[pos].first);
    EXPECT_EQ(c.recno(), all[pos].second);
    EXPECT_EQ(c.position(), pos);
    ASSERT_TRUE(c.next() || pos + 1 == all.size());
  }
  EXPECT_FALSE(c.goToPosition(all.size()));
}

TEST_F(MdxCursor, CursorFollowsUpdatesMadeWhileItIsOpen) {
  auto f = created();
  const int t = f->addTag(tag("N", "N"), KeyType::Numeric, 12);
  for (uint32_t i = 1; i <= 1000; ++i) f->insert(t, numericKey(i), i);
  MdxFile::Cursor c(*f, t);
  ASSERT_TRUE(c.seek(numericKey(500)));
  f->erase(t, numericKey(500), 500);  // the current entry goes away
  for (uint32_t i = 2000; i < 3000; ++i) f->insert(t, numericKey(i), i);  // splits everywhere
  ASSERT_TRUE(c.next());
  EXPECT_EQ(c.recno(), 501u);
  ASSERT_TRUE(c.prev());
  EXPECT_EQ(c.recno(), 499u);
  ASSERT_TRUE(c.next());
  EXPECT_EQ(c.recno(), 501u);
}

TEST_F(MdxSharing, ReloadSeesChangesFromAnotherHandle) {
  auto a = created();
  const int t = a->addTag(tag("N", "N"), KeyType::Numeric, 12);
  for (uint32_t i = 1; i <= 100; ++i) a->insert(t, numericKey(i), i);
  auto b = MdxFile::open(path, false);
  ASSERT_EQ(walk(*b, t).size(), 100u);
  for (uint32_t i = 101; i <= 3000; ++i) a->insert(t, numericKey(i), i);
  a->addTag(tag("OTHER", "X"), KeyType::Character, 4);
  b->reloadIfChanged();
  EXPECT_EQ(walk(*b, t).size(), 3000u);
  EXPECT_EQ(b->tags().size(), 2u);
  b->erase(t, numericKey(1), 1);
  a->reloadIfChanged();
  EXPECT_EQ(walk(*a, t).size(), 2999u);
}

TEST_F(MdxCrash, InterruptedUpdateMarkAsksForRebuild) {
  {
    auto f = created();
    f->addTag(tag("N", "N"), KeyType::Numeric, 12);
    f->insert(0, numericKey(1), 1);
  }
  std::string b = readFile(path);
  EXPECT_EQ(b[mdx::kHeaderBusy], 0);
  b[mdx::kHeaderBusy] = 1;
  writeFile(path, b);
  auto f = MdxFile::open(path, false);
  EXPECT_TRUE(f->needsRebuild());
}

TEST_F(MdxCrash, BatchKeepsTheMarkUntilItEnds) {
  auto f = created();
  const int t = f->addTag(tag("N", "N"), KeyType::Numeric, 12);
  f->beginBatch();
  for (uint32_t i = 1; i <= 5000; ++i) f->insert(t, numericKey(i % 300), i);
  EXPECT_EQ(readFile(path)[mdx::kHeaderBusy], 1);
  EXPECT_TRUE(MdxFile::open(path, true)->needsRebuild());
  EXPECT_EQ(f->count(t), 5000u);
  f->endBatch();
  EXPECT_EQ(readFile(path)[mdx::kHeaderBusy], 0);
  auto again = MdxFile::open(path, true);
  EXPECT_FALSE(again->needsRebuild());
  EXPECT_EQ(walk(*again, t), walk(*f, t));
  EXPECT_EQ(again->count(t), 5000u);
}

// A full disk, simulated with a file size limit in a child process: the
// update fails with an Error and the file asks for a rebuild afterwards.
TEST_F(MdxCrash, FullDiskFailsTheUpdateAndLeavesTheMark) {
  created()->addTag(tag("T", "T"), KeyType::Character, 20);
  const int code = exitCodeWithFileLimit(std::filesystem::file_size(path) + 8192, [&] {
    MdxFile::open(path, false)->buildTag(0, numberedKeys(20000));
  });
  EXPECT_EQ(code, 2);  // a plain Error (write failed), not a crash
  auto f = MdxFile::open(path, false);
  EXPECT_TRUE(f->needsRebuild());
  f->buildTag(0, {{characterKey("A", 20), 1}});
  EXPECT_EQ(walk(*f, 0).size(), 1u);
}

// A tag added whole after the file's end: a write that fails half way (the
// disk full) leaves the file as it was, tags, contents and size; one that
// gets through names the new tag, and the old ones are untouched.
TEST_F(MdxCrash, AppendedTagIsNamedOnlyOnceItIsWhole) {
  std::vector<Entry> old;
  for (uint32_t i = 1; i <= 500; ++i)
    old.emplace_back(characterKey(std::to_string(5000 + i), 20), i);
  created()->addTag(tag("OLD", "T"), KeyType::Character, 20);
  MdxFile::open(path, false)->buildTag(0, old);
  const std::string before = readFile(path);
  KeyList entries(20);
  for (const auto& [key, recno] : numberedKeys(20000)) entries.add(key, recno);
  const auto append = [&] {
    return MdxFile::open(path, false)->appendTag(tag("NEW", "T"), KeyType::Character, 20, entries);
  };
  EXPECT_EQ(exitCodeWithFileLimit(before.size() + 65536, append), 2);
  EXPECT_EQ(readFile(path), before);
  auto f = MdxFile::open(path, false);
  EXPECT_FALSE(f->needsRebuild());
  const int t = f->appendTag(tag("NEW", "T"), KeyType::Character, 20, entries);
  EXPECT_EQ(f->tags().size(), 2u);
  EXPECT_EQ(f->count(t), 20000u);
  auto again = MdxFile::open(path, true);
  EXPECT_EQ(walk(*again, 0), old);
  const std::vector<Entry> added = walk(*again, again->findTag("NEW"));
  ASSERT_EQ(added.size(), entries.size());
  for (size_t i = 0; i < added.size(); i += 997) {
    EXPECT_EQ(added[i].first, entries.key(i));
    EXPECT_EQ(added[i].second, entries.recnos[i]);
  }
}

// Counts kept between runs: a handle that finds none in this process reads
// the counts file, and a change to the index by anyone voids that file.
TEST_F(MdxCounts, KeptBetweenRunsOnlyForTheFileAsItWas) {
  const std::string keep = dir.file("counts");
  setIndexCountDirectory(keep);
  {
    auto f = created();
    f->buildTag(f->addTag(tag("T", "T"), KeyType::Character, 20), numberedKeys(5000));
  }
  usleep(100000);  // counts of a file changed within a clock tick are not kept
  EXPECT_EQ(MdxFile::open(path, true)->count(0), 5000u);  // counted, then kept on close
  auto b = MdxFile::open(path, true);                     // takes this process's counts
  // Every kept count doubled: a handle that shows it read them.
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(keep)) files.push_back(e.path());
  ASSERT_EQ(files.size(), 1u);
  std::string bytes = readFile(files[0]);
  ASSERT_GE(bytes.size(), 48u);
  for (size_t at = 48 + 4; at + 8 <= bytes.size(); at += 12) {
    const uint32_t low = decode32(bytes.data() + at);
    encode32(bytes.data() + at, low * 2);
  }
  writeFile(files[0], bytes);
  EXPECT_EQ(MdxFile::open(path, true)->count(0), 10000u);
  {
    auto w = MdxFile::open(path, false);
    w->insert(0, characterKey("999999", 20), 6000);
  }
  b.reset();
  // A link planted at the counts file's temporary name is replaced, never written through.
  const std::string victim = dir.file("victim"),
                    link = files[0] + ".tmp" + std::to_string(getpid());
  writeFile(victim, "precious");
  std::filesystem::create_symlink(victim, link);
  usleep(100000);
  EXPECT_EQ(MdxFile::open(path, true)->count(0), 5001u);
  EXPECT_EQ(readFile(victim), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(link));  // the counts were saved
  setIndexCountDirectory("");
}

// Builds a file with a few tags and returns its bytes.
std::string sampleIndex(const std::string& path) {
  MdxFile::create(path, "B");
  auto f = MdxFile::open(path, false);
  std::mt19937 rng(11);
  f->addTag(tag("NAME", "NAME"), KeyType::Character, 12);
  f->addTag(tag("VALUE", "VALUE", true), KeyType::Numeric, 12);
  f->addTag(tag("BOUGHT", "BOUGHT"), KeyType::Date, 8);
  for (uint32_t i = 1; i <= 1500; ++i)
    for (int t = 0; t < 3; ++t) f->insert(t, randomKey(rng, f->tags()[t].keyType), i);
  f.reset();
  return readFile(path);
}

// Reads everything a table would read; damage must end in FormatError or a sound answer.
void readAll(const std::string& path) {
  try {
    auto f = MdxFile::open(path, true);
    for (int t = 0; t < static_cast<int>(f->tags().size()); ++t) {
      size_t n = 0;
      MdxFile::Cursor c(*f, t);
      for (bool ok = c.first(); ok && n < 100000; ok = c.next()) ++n;
      for (bool ok = c.last(); ok && n < 200000; ok = c.prev()) ++n;
      c.seek(std::string(4, 'C'), 0, true);
      f->count(t);
      c.goToPosition(700);
    }
  } catch (const FormatError&) {
  }
}

TEST_F(MdxCorruption, DamagedBytesNeverCrash) {
  const std::string good = sampleIndex(path);
  std::mt19937 rng(1);
  const std::array<uint8_t, 5> values = {0x00, 0xFF, 0x01, 0x7F, 0x04};
  for (int i = 0; i < 600; ++i) {
    std::string bad = good;
    // Headers more often than node bodies: they hold the pointers and counts.
    const size_t at = i % 2 ? rng() % 2600 : rng() % bad.size();
    bad[at] = static_cast<char>(values[static_cast<size_t>(i) % values.size()]);
    if (i % 5 == 0) bad[(at + 1) % bad.size()] = static_cast<char>(rng());
    writeFile(path, bad);
    readAll(path);
  }
  writeFile(path, good.substr(0, good.size() / 2));
  readAll(path);
  writeFile(path, good.substr(0, 1000));
  EXPECT_THROW(MdxFile::open(path, true), FormatError);
}

// Damage to one tag's tree, found by what reads that part of it.
TEST_F(MdxCorruption, DamagedTreesAreFormatErrors) {
  struct Case {
    const char* name;
    int tag;
    void (*damage)(std::string& bytes, uint32_t root);  // of the tag
    void (*read)(MdxFile& f, int tag);
  };
  const Case cases[] = {
      {"root past the end", 0,
       [](std::string& b, uint32_t root) {
         (void)root;
         encode32(b.data() + indexdamage::headerPage(b, 0) * 512, 0x00FFFFF0);
       },
       [](MdxFile& f, int tag) { MdxFile::Cursor(f, tag).first(); }},
      {"child pointing back", 0,
       [](std::string& b, uint32_t root) {
         char* node = b.data() + root * 512;
         encode32(node + 8 + 16 * decode32(node), root);  // last child = the root itself
       },
       [](MdxFile& f, int tag) { MdxFile::Cursor(f, tag).last(); }},
      {"shared child", 0,
       [](std::string& b, uint32_t root) {
         char* node = b.data() + root * 512;
         encode32(node + 8 + 16, decode32(node + 8));  // child 1 = child 0
       },
       [](MdxFile& f, int tag) { walk(f, tag); }},
      {"huge key count", 1,
       [](std::string& b, uint32_t root) { encode32(b.data() + root * 512, 0x7FFFFFFF); },
       [](MdxFile& f, int tag) { f.count(tag); }},
  };
  const std::string good = sampleIndex(path);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string b = good;
    const uint32_t root = indexdamage::rootPage(b, static_cast<uint32_t>(c.tag));
    ASSERT_GT(decode32(b.data() + root * 512), 0u);  // the sample's roots are interior
    c.damage(b, root);
    writeFile(path, b);
    auto f = MdxFile::open(path, true);
    EXPECT_THROW(c.read(*f, c.tag), FormatError);
  }
}

// Perl XBase's index_dump, an independent reader of the format.
TEST_F(MdxInterop, IndexDumpListsTagsAndWalksCharacterTagsInOurOrder) {
  const char* tool = "/usr/bin/index_dump";
  if (access(tool, X_OK) != 0) GTEST_SKIP() << "index_dump (libdbd-xbase-perl) not installed";
  const std::string books = dir.file("BOOKS.MDX");
  MdxFile::create(books, "BOOKS");
  auto f = MdxFile::open(books, false);
  // 100-byte keys: nine to a node, so the tree gets several interior levels.
  const int title = f->addTag(tag("TITLE", "UPPER(TITLE)"), KeyType::Character, 100);
  const int author = f->addTag(tag("AUTHOR", "AUTHOR"), KeyType::Character, 8);
  const int descending = f->addTag(tag("AUTHORD", "AUTHOR", true), KeyType::Character, 8);
  f->addTag(tag("VALUE", "VALUE"), KeyType::Numeric, 12);
  std::mt19937 rng(17);
  Model model(TagOrder{KeyType::Character, false});
  for (uint32_t i = 1; i <= 3000; ++i) model.insert({characterKey(randomWord(rng, 12), 100), i});
  f->buildTag(title, asVector(model));
  for (uint32_t i = 1; i <= 2500; ++i) {
    const std::string k = characterKey(randomWord(rng, 8), 8);
    f->insert(author, k, i);
    f->insert(descending, k, i);
  }
  const auto authors = walk(*f, author);
  for (size_t i = 0; i < authors.size(); i += 3)
    f->erase(author, authors[i].first, authors[i].second);
  for (uint32_t i = 4000; i <= 4500; ++i)
    f->insert(title, characterKey(randomWord(rng, 12), 100), i);

  EXPECT_EQ(testing::runCommand(std::string(tool) + " '" + books + "'"),
            "AUTHOR\nAUTHORD\nTITLE\nVALUE\n");
  for (const char* name : {"TITLE", "AUTHOR", "AUTHORD"}) {
    std::string expected;
    for (const auto& [key, recno] : walk(*f, f->findTag(name)))
      expected += key + " " + std::to_string(recno) + "\n";
    EXPECT_EQ(testing::runCommand(std::string(tool) + " -tag " + name + " '" + books + "'"),
              expected)
        << name;
  }
}

}  // namespace
}  // namespace dbase
