// A fixed table whose production index is the fuzz input: open it, walk
// every tag both ways, seek, navigate the table in each tag's order, then
// write through the damaged index (append, edit, delete).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/mdx.h"
#include "dbase/table.h"
#include "fuzz_support.h"

namespace {

constexpr int kMaxSteps = 5000;  // a looping tree must not hang the fuzzer

void walk(dbase::MdxFile& mdx, int tag) {
  dbase::MdxFile::Cursor c(mdx, tag);
  int steps = 0;
  for (bool ok = c.first(); ok && steps < kMaxSteps; ok = c.next(), ++steps) {
    (void)c.key();
    (void)c.recno();
  }
  steps = 0;
  for (bool ok = c.last(); ok && steps < kMaxSteps; ok = c.prev(), ++steps) (void)c.key();
  (void)c.seek("M");
  (void)c.seek("M", 0, true);
  (void)c.seek(std::string(12, '\x34'), 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Rewritten each time: the write phase changes it.
  const std::string dbf = fuzz::writeFile(
      "F.DBF", fuzz::makeDbf(0x03, true,
                             {{"TITLE", 'C', 20, 0}, {"PRICE", 'N', 8, 2}, {"BOUGHT", 'D', 8, 0}},
                             {" " + fuzz::padRight("Alpha", 20) + "   12.50" + "19991231",
                              " " + fuzz::padRight("Mango", 20) + "   -3.25" + "        ",
                              "*" + fuzz::padRight("Zulu", 20) + "        " + "20240229"}));
  const std::string mdxPath =
      fuzz::writeFile("F.MDX", std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    auto mdx = dbase::MdxFile::open(mdxPath, true);
    const auto tags = mdx->tags();
    for (size_t i = 0; i < tags.size(); ++i) {
      try {
        walk(*mdx, static_cast<int>(i));
      } catch (const dbase::Error&) {
      }
    }
  } catch (const dbase::Error&) {
  }
  try {
    dbase::Table t;
    t.open(dbf, dbase::OpenMode::Shared, true);
    for (const auto& tag : t.tags()) {
      try {
        t.setActiveTag(tag.name);
        int steps = 0;
        for (t.first(); !t.eof() && steps < kMaxSteps; t.next(), ++steps) (void)t.recNo();
        (void)t.recordCount();
        t.goToPosition(1);
        (void)t.position();
      } catch (const dbase::Error&) {
      }
    }
  } catch (const dbase::Error&) {
  }
  // Writing must fail cleanly too; the index file is rewritten for this phase.
  fuzz::writeFile("F.MDX", std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    dbase::Table t;
    t.open(dbf, dbase::OpenMode::Exclusive);
    t.append();
    t.setString(0, "Kilo");
    t.setNumber(1, 1.5);
    t.post();
    t.goToRecord(1);
    t.edit();
    t.setString(0, "Bravo");
    t.post();
    t.goToRecord(2);
    t.deleteRecord();
  } catch (const dbase::Error&) {
  }
  return 0;
}
