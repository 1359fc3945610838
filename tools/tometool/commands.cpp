#include "commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>

#include "check.h"
#include "csv.h"
#include "dbase/codepage.h"
#include "dbase/table.h"
#include "values.h"

namespace tometool {
namespace {

// Splits "--name value" options off the positional arguments.
struct Parsed {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> options;

  std::optional<std::string> option(const std::string& name) const {
    for (const auto& [k, v] : options) {
      if (k == name) return v;
    }
    return std::nullopt;
  }
  bool flag(const std::string& name) const { return option(name).has_value(); }
};

Parsed parse(const Args& args, const std::vector<std::string>& withValue,
             const std::vector<std::string>& flags) {
  Parsed p;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      if (std::find(flags.begin(), flags.end(), a) != flags.end()) {
        p.options.emplace_back(a, "");
      } else if (std::find(withValue.begin(), withValue.end(), a) != withValue.end()) {
        if (i + 1 >= args.size()) throw UsageError{a + " needs a value"};
        p.options.emplace_back(a, args[++i]);
      } else {
        throw UsageError{"unknown option " + a};
      }
    } else {
      p.positional.push_back(a);
    }
  }
  return p;
}

void expectPositional(const Parsed& p, size_t min, size_t max) {
  if (p.positional.size() < min) throw UsageError{"missing arguments"};
  if (p.positional.size() > max) throw UsageError{"too many arguments"};
}

// The table's path as it exists on disk ("books" finds BOOKS.DBF too).
std::string tablePath(const std::string& given) {
  if (auto found = dbase::Table::resolve(given)) return *found;
  if (given.size() < 4 || given.find('.', given.find_last_of('/') + 1) == std::string::npos) {
    if (auto found = dbase::Table::resolve(given + ".dbf")) return *found;
  }
  return given;  // let open() name the missing file
}

std::string upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

int parseCount(const std::string& text, const std::string& what) {
  size_t used = 0;
  int v = -1;
  try {
    v = std::stoi(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || v < 0) throw UsageError{what + " \"" + text + "\" is not a count"};
  return v;
}

dbase::FieldDef parseFieldSpec(const std::string& spec) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t colon; (colon = spec.find(':', start)) != std::string::npos; start = colon + 1) {
    parts.push_back(spec.substr(start, colon - start));
  }
  parts.push_back(spec.substr(start));
  if (parts.size() < 2 || parts.size() > 4 || parts[0].empty() || parts[1].size() != 1) {
    throw UsageError{"field \"" + spec + "\" is not NAME:TYPE:LEN[:DEC]"};
  }
  dbase::FieldDef f;
  f.name = upper(parts[0]);
  const char type = static_cast<char>(std::toupper(static_cast<unsigned char>(parts[1][0])));
  switch (type) {
    case 'C':
    case 'N':
    case 'F':
    case 'D':
    case 'L':
    case 'M':
    case 'B':
      f.type = static_cast<dbase::FieldType>(type);
      break;
    default:
      throw UsageError{"field \"" + spec + "\": type must be one of C N F D L M B"};
  }
  // Lengths the format fixes may be left out.
  const int fixed = type == 'D' ? 8 : type == 'L' ? 1 : (type == 'M' || type == 'B') ? 10 : 0;
  if (parts.size() >= 3) {
    f.length = parseCount(parts[2], "length");
  } else if (fixed) {
    f.length = fixed;
  } else {
    throw UsageError{"field \"" + spec + "\" needs a length"};
  }
  if (parts.size() == 4) f.decimals = parseCount(parts[3], "decimals");
  return f;
}

dbase::KeyType tagKeyType(const dbase::Table& table, const std::string& tagName) {
  for (const auto& t : table.tags()) {
    if (upper(t.name) == upper(tagName)) {
      return dbase::expressionKeyType(t.expression, table.fields())
          .value_or(dbase::KeyType::Character);
    }
  }
  throw std::runtime_error(table.path() + ": no tag " + tagName);
}

}  // namespace

int cmdInfo(const Args& args) {
  const auto p = parse(args, {}, {});
  expectPositional(p, 1, 1);
  dbase::Table table;
  table.open(tablePath(p.positional[0]), dbase::OpenMode::Shared, true);
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", table.versionByte());
  std::cout << "version " << hex << '\n' << "records " << table.physicalCount() << '\n';
  const auto& fields = table.fields();
  for (size_t i = 0; i < fields.size(); ++i) {
    const auto& f = fields[i];
    std::cout << "field " << i << ' ' << printable(f.name) << ' ' << static_cast<char>(f.type)
              << ' ' << f.length << ' ' << f.decimals << '\n';
  }
  // Records are still listed when the index cannot be read; say why it is missing.
  if (const std::string problem = table.indexProblem(); !problem.empty())
    std::cerr << "tometool info: " << printable(problem) << " (the tags are left out)\n";
  for (const auto& t : table.tags()) {
    std::cout << "tag " << printable(t.name) << ' ' << (t.descending ? "descending" : "ascending")
              << ' ' << printable(dbase::cp1252ToUtf8(t.expression)) << '\n';
  }
  return 0;
}

int cmdCreate(const Args& args) {
  const auto p = parse(args, {}, {});
  expectPositional(p, 2, 256);
  std::vector<dbase::FieldDef> fields;
  for (size_t i = 1; i < p.positional.size(); ++i)
    fields.push_back(parseFieldSpec(p.positional[i]));
  dbase::Table::create(p.positional[0], fields);
  return 0;
}

int cmdAppend(const Args& args) {
  const auto p = parse(args, {}, {});
  expectPositional(p, 1, 2);
  std::ifstream file;
  std::istream* in = &std::cin;
  if (p.positional.size() == 2 && p.positional[1] != "-") {
    file.open(p.positional[1], std::ios::binary);
    if (!file) throw std::runtime_error(p.positional[1] + ": cannot open");
    in = &file;
  }
  const std::string source = p.positional.size() == 2 ? p.positional[1] : "stdin";
  dbase::Table table;
  table.open(tablePath(p.positional[0]));
  CsvReader csv(*in);
  const auto header = csv.next();
  if (!header) return 0;
  std::vector<int> columns;
  for (const auto& name : *header) {
    const int f = table.fieldIndex(name);
    if (f < 0) throw std::runtime_error(source + ": the table has no field " + name);
    columns.push_back(f);
  }
  while (auto row = csv.next()) {
    if (row->size() == 1 && (*row)[0].empty()) continue;  // blank line
    const std::string where = source + " line " + std::to_string(csv.line()) + ": ";
    if (row->size() != columns.size()) {
      throw std::runtime_error(where + std::to_string(row->size()) + " values for " +
                               std::to_string(columns.size()) + " columns");
    }
    table.append();
    try {
      for (size_t i = 0; i < columns.size(); ++i) {
        try {
          setFieldText(table, columns[i], (*row)[i]);
        } catch (const std::exception& e) {
          throw std::runtime_error(where + (*header)[i] + ": " + e.what());
        }
      }
      try {
        table.post();
      } catch (const std::exception& e) {
        throw std::runtime_error(where + e.what());
      }
    } catch (...) {
      table.cancel();
      throw;
    }
  }
  return 0;
}

int cmdTag(const Args& args) {
  const auto p = parse(args, {"--for"}, {"--descending", "--unique"});
  expectPositional(p, 3, 3);
  dbase::Table table;
  table.open(tablePath(p.positional[0]), dbase::OpenMode::Exclusive);
  dbase::TagDef def;
  def.name = upper(p.positional[1]);
  def.expression = dbase::utf8ToCp1252(p.positional[2]);
  def.descending = p.flag("--descending");
  def.unique = p.flag("--unique");
  def.filter = dbase::utf8ToCp1252(p.option("--for").value_or(""));
  table.addTag(def);
  return 0;
}

int cmdUntag(const Args& args) {
  const auto p = parse(args, {}, {});
  expectPositional(p, 2, 2);
  dbase::Table table;
  table.open(tablePath(p.positional[0]), dbase::OpenMode::Exclusive);
  table.deleteTag(p.positional[1]);
  return 0;
}

int cmdList(const Args& args) {
  const auto p = parse(args, {"--tag", "--from", "--to"}, {"--recno"});
  expectPositional(p, 1, 1);
  dbase::Table table;
  table.open(tablePath(p.positional[0]), dbase::OpenMode::Shared, true);
  const auto tag = p.option("--tag");
  const auto from = p.option("--from"), to = p.option("--to");
  if (tag) table.setActiveTag(*tag);
  if ((from || to) && !tag) throw UsageError{"--from and --to need --tag"};
  if (from || to) {
    const auto type = tagKeyType(table, *tag);
    if (from) table.setRangeStart(parseBound(*from, type));
    if (to) table.setRangeEnd(parseBound(*to, type));
    table.applyRange();
  }
  const bool withRecno = p.flag("--recno");
  CsvWriter csv(std::cout);
  std::vector<std::string> row;
  if (withRecno) row.push_back("_RECNO");
  for (const auto& f : table.fields()) row.push_back(f.name);
  csv.row(row);
  const int n = static_cast<int>(table.fields().size());
  bool lost = false;
  for (table.first(); !table.eof(); table.next()) {
    row.clear();
    if (withRecno) row.push_back(std::to_string(table.recNo()));
    for (int i = 0; i < n; ++i) {
      try {
        row.push_back(fieldText(table, i));
      } catch (const dbase::FormatError& e) {
        // One damaged memo must not hide the other records: list them, name this one.
        row.emplace_back();
        lost = true;
        std::cout.flush();
        std::cerr << "tometool list: record " << table.recNo() << ' '
                  << printable(table.fields()[i].name) << ": " << printable(e.what())
                  << " (the memo is left out)\n";
      }
    }
    csv.row(row);
  }
  return std::cout.good() && !lost ? 0 : 1;
}

int cmdCheck(const Args& args) {
  const auto p = parse(args, {}, {});
  expectPositional(p, 1, 1);
  const int problems = checkTable(tablePath(p.positional[0]), std::cout);
  if (problems) {
    std::cout << problems << (problems == 1 ? " problem\n" : " problems\n");
    return 1;
  }
  return 0;
}

int cmdReindex(const Args& args) {
  const auto p = parse(args, {}, {});
  expectPositional(p, 1, 1);
  dbase::Table table;
  table.open(tablePath(p.positional[0]), dbase::OpenMode::Exclusive);
  table.regenerateTags();
  return 0;
}

int cmdPack(const Args& args) {
  const auto p = parse(args, {}, {});
  expectPositional(p, 1, 1);
  dbase::Table table;
  table.open(tablePath(p.positional[0]), dbase::OpenMode::Exclusive);
  table.pack();
  return 0;
}

int cmdDelete(const Args& args) {
  const auto p = parse(args, {}, {});
  expectPositional(p, 2, 1 << 20);
  dbase::Table table;
  table.open(tablePath(p.positional[0]));
  for (size_t i = 1; i < p.positional.size(); ++i) {
    const int recno = parseCount(p.positional[i], "record number");
    if (recno < 1 || static_cast<uint32_t>(recno) > table.physicalCount()) {
      throw std::runtime_error(table.path() + ": no record " + p.positional[i]);
    }
    table.goToRecord(static_cast<uint32_t>(recno));
    if (!table.isDeleted()) table.deleteRecord();
  }
  return 0;
}

}  // namespace tometool
