// The delimited text format byte by byte: what the export writes and what the
// import reads back, with the files spreadsheets write.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exchange/textformat.h"

namespace exchange {
namespace {

using Lines = std::vector<std::string>;
struct Value {
  Value(std::string t = {}, Lines l = {}) : text(std::move(t)), lines(std::move(l)) {}
  std::string text;
  Lines lines;
};
using Record = std::vector<Value>;

// Every record of `file`, plain fields as text, memo fields as lines.
std::vector<Record> readAll(const std::string& file, TextFormat format, std::vector<bool> memo) {
  MemorySource in(file);
  TextRecordReader reader(in, format, memo);
  std::vector<Record> out;
  std::vector<FieldText> fields;
  while (reader.next(fields)) {
    Record r;
    for (const FieldText& f : fields) r.push_back({f.text, f.lines});
    out.push_back(r);
  }
  return out;
}

bool operator==(const Value& a, const Value& b) { return a.text == b.text && a.lines == b.lines; }
void PrintTo(const Value& v, std::ostream* os) {
  *os << '"' << v.text << '"';
  for (const auto& l : v.lines) *os << " [" << l << ']';
}

const TextFormat kTabs{'\t', 0}, kCsv{',', '"'}, kCommas{',', 0};

TEST(TextFormatTest, WritesFieldsDelimitersMemosAndLineEnds) {
  struct Case {
    const char* name;
    TextFormat format;
    std::vector<std::pair<std::string, bool>> values;  // text, memo
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"commas and quotes", kCsv, {{"A", false}, {"B", false}}, "\"A\",\"B\"\r\n"},
      {"memo of two lines, tabs, nothing",
       kTabs,
       {{"line 1\r\nline 2", true}, {"x", false}},
       "\x03line 1\r\nline 2\x03\tx\r\n"},
      {"memo last", kTabs, {{"x", false}, {"m", true}}, "x\t\x03m\x03\r\n"},
      {"a quote inside is doubled", kCsv, {{"5\" disk", false}}, "\"5\"\" disk\"\r\n"},
      {"no escaping without a delimiter", kCommas, {{"a,b", false}}, "a,b\r\n"},
  };
  for (const Case& c : cases) {
    std::string out;
    TextLineWriter w(out, c.format);
    for (const auto& [text, memo] : c.values) memo ? w.memo(text) : w.value(text);
    w.endLine();
    EXPECT_EQ(out, c.expected) << c.name;
  }
}

TEST(TextFormatTest, ReadsEveryCharacterRule) {
  struct Case {
    const char* name;
    TextFormat format;
    std::vector<bool> memo;
    std::string file;
    std::vector<Record> expected;
  };
  const std::string x255(255, 'x');
  const std::vector<Case> cases = {
      {"one record per exported line",
       kTabs,
       {false, false},
       "a\tb\r\nc\td\r\n",
       {{{"a"}, {"b"}}, {{"c"}, {"d"}}}},
      {"fewer values continue on the next line",
       kCommas,
       {false, false, false},
       "a,b\r\nc\r\n",
       {{{"a"}, {"b"}, {"c"}}}},
      {"more values are skipped with the rest of the line",
       kCommas,
       {false, false},
       "a,b,c,d\r\ne,f\r\n",
       {{{"a"}, {"b"}}, {{"e"}, {"f"}}}},
      {"a last line without its line end",
       kCommas,
       {false, false},
       "a,b\r\nc,d",
       {{{"a"}, {"b"}}, {{"c"}, {"d"}}}},
      {"memo over lines, closed by the second marker",
       kTabs,
       {true, false},
       "\x03one\r\ntwo\x03\tz\r\n",
       {{{"", {"one", "two"}}, {"z"}}}},
      {"memo holding the separator and quotes",
       kCsv,
       {false, true},
       "\"a\",\"\x03x, \"y\"\x03\"\r\n",
       {{{"a"}, {"", {"x, \"y\""}}}}},
      {"the memo marker is dropped outside a memo",
       kTabs,
       {false},
       "a\x03"
       "b\r\n",
       {{{"ab"}}}},
      {"control characters are dropped, tab kept in quotes",
       kCsv,
       {false},
       "\"a\x01\tb\x7f\"\r\n",
       {{{"a\tb\x7f"}}}},
      {"a doubled delimiter is one",
       kCsv,
       {false, false},
       "\"say \"\"hi\"\"\",\"\"\"\"\r\n",
       {{{"say \"hi\""}, {"\""}}}},
      {"spreadsheet rows: quoted only where needed",
       kCsv,
       {false, false, false, true},
       "Title,\"Smith, J.\",,\"first\nsecond\"\n",
       {{{"Title"}, {"Smith, J."}, {""}, {"", {"first", "second"}}}}},
      {"a line break inside quotes in a plain field is a blank",
       kCsv,
       {false, false},
       "\"a\r\nb\",c\r\n",
       {{{"a b"}, {"c"}}}},
      {"values past 255 characters are cut",
       kTabs,
       {false, false},
       x255 + "yyy\tz\r\n",
       {{{x255}, {"z"}}}},
      {"memo lines past 255 characters wrap after their last blank",
       kTabs,
       {true},
       "\x03" + std::string(250, 'm') + " abcdefgh\x03\r\n",
       {{{"", {std::string(250, 'm') + " ", "abcdefgh"}}}}},
      {"a line of only separators is a blank record",
       kCommas,
       {false, false},
       ",,,,\r\n",
       {{{""}, {""}}}},
      {"no separator reads nothing", {0, 0}, {false}, "abc\r\n", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(readAll(c.file, c.format, c.memo), c.expected) << c.name;
}

TEST(TextFormatTest, WrittenRecordsReadBackUnchanged) {
  const std::string accents = "Caf\xE9 \xC0 la cr\xE8me \x80 \x93quoted\x94";
  const std::vector<std::pair<std::string, bool>> values = {
      {accents, false},      {"with, comma", false},
      {"5\" floppy", false}, {"memo \"1\"\r\nline, 2\r\n", true},
      {"", false},           {"", true}};
  for (TextFormat format : {kTabs, kCsv, TextFormat{';', '\''}}) {
    std::string file;
    for (int r = 0; r < 3; ++r) {
      TextLineWriter w(file, format);
      for (const auto& [text, memo] : values) memo ? w.memo(text) : w.value(text);
      w.endLine();
    }
    std::vector<bool> memo;
    for (const auto& v : values) memo.push_back(v.second);
    const auto records = readAll(file, format, memo);
    ASSERT_EQ(records.size(), 3u);
    for (const Record& r : records) {
      EXPECT_EQ(r[0].text, accents);
      EXPECT_EQ(r[1].text, "with, comma");
      EXPECT_EQ(r[2].text, "5\" floppy");
      EXPECT_EQ(r[3].lines, (Lines{"memo \"1\"", "line, 2", ""}));
      EXPECT_EQ(r[5].lines, Lines{""});
    }
  }
}

TEST(TextFormatTest, Utf8IsRecognisedAndTurnedInto1252) {
  struct Case {
    std::string head;
    bool utf8;
  };
  const std::vector<Case> cases = {{"plain ascii", false},
                                   {"caf\xC3\xA9", true},
                                   {"\xEF\xBB\xBFplain", true},
                                   {"caf\xE9", false},
                                   {"caf\xE9 and caf\xC3\xA9", false},
                                   {"cut at the end \xE2\x82", false},
                                   {"euro \xE2\x82\xAC cut \xE2\x82", true}};
  for (const Case& c : cases) EXPECT_EQ(looksLikeUtf8(c.head), c.utf8) << c.head;

  // A chunk of 64 KiB ends inside the euro sign: it still comes through whole.
  std::string text = "\xEF\xBB\xBF" + std::string(65535 - 3 - 1, 'a') + "\xE2\x82\xAC" +
                     " \xC3\xA9 \xE2\x80\x9C \xE4\xB8\xAD \xFF";
  MemorySource raw(text);
  Utf8To1252Source in(raw, true);
  std::string out;
  char buf[1000];
  for (size_t n; (n = in.read(buf, sizeof buf)) > 0;) out.append(buf, n);
  EXPECT_EQ(out, std::string(65535 - 4, 'a') + "\x80 \xE9 \x93 ? \xFF");
  EXPECT_EQ(in.replaced(), 2u);  // the Chinese letter and the stray byte
  EXPECT_EQ(utf8Of1252("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9");
}

}  // namespace
}  // namespace exchange
