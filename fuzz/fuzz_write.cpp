// The record write path: the input picks a field layout, a few tags and a
// run of appends, edits, deletions, cancelled edits, packs and reopens. Every
// value written is one its field holds exactly; afterwards the table must read
// back what a model of it holds and checkTable must find nothing.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "dbase/check.h"
#include "dbase/error.h"
#include "dbase/table.h"
#include "fuzz_support.h"

namespace {

using dbase::FieldDef;
using dbase::FieldType;

class Input {
 public:
  Input(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  bool empty() const { return p_ == end_; }
  uint8_t byte() { return p_ == end_ ? 0 : *p_++; }
  uint32_t u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | byte();
    return v;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

struct Value {
  bool blank = true;
  std::string text;  // C: right-trimmed text; M/B: the bytes
  double number = 0;
  dbase::Date date{};
  bool flag = false;
};

struct Record {
  bool deleted = false;
  std::vector<Value> values;
};

[[noreturn]] void failed(const std::string& what) {
  std::fprintf(stderr, "fuzz_write: %s\n", what.c_str());
  std::abort();
}

FieldDef makeField(Input& in, int i) {
  static constexpr FieldType kTypes[] = {FieldType::Character, FieldType::Numeric, FieldType::Float,
                                         FieldType::Date,      FieldType::Logical, FieldType::Memo,
                                         FieldType::Binary};
  FieldDef f;
  f.name = "F" + std::to_string(i);
  f.type = kTypes[in.byte() % 7];
  switch (f.type) {
    case FieldType::Character:
      f.length = 1 + in.byte() % 254;
      break;
    case FieldType::Numeric:
    case FieldType::Float:
      f.length = 1 + in.byte() % 20;
      f.decimals = f.length > 2 ? in.byte() % (f.length - 1) : 0;
      break;
    case FieldType::Date:
      f.length = 8;
      break;
    case FieldType::Logical:
      f.length = 1;
      break;
    default:
      f.length = 10;
  }
  return f;
}

// A value the field holds exactly (a number's digits fit, text is printable
// ASCII without trailing blanks); blank now and then.
Value makeValue(Input& in, const FieldDef& f) {
  Value v;
  const uint8_t pick = in.byte();
  if (pick % 8 == 0) return v;
  v.blank = false;
  switch (f.type) {
    case FieldType::Character: {
      const size_t n = 1 + in.byte() % static_cast<size_t>(f.length);
      for (size_t i = 0; i < n; ++i) v.text += static_cast<char>(0x20 + in.byte() % 95);
      while (!v.text.empty() && v.text.back() == ' ') v.text.pop_back();
      if (v.text.empty()) v.text = "x";
      break;
    }
    case FieldType::Numeric:
    case FieldType::Float: {
      const auto k = static_cast<int32_t>(in.u32());
      v.number = static_cast<double>(k) / std::pow(10.0, f.decimals);
      break;
    }
    case FieldType::Date:
      v.date = {1900 + in.byte() % 200, 1 + in.byte() % 12, 1 + in.byte() % 28};
      break;
    case FieldType::Logical:
      v.flag = pick & 1;
      break;
    default: {
      const size_t n = 1 + (in.byte() * 37u + in.byte()) % 3000;
      v.text.resize(n);
      for (size_t i = 0; i < n; ++i) v.text[i] = static_cast<char>(in.byte() ^ (i * 131));
    }
  }
  return v;
}

// Sets the current record's field; false (and the model's value kept) when the
// table refuses a number that does not fit.
bool setValue(dbase::Table& t, int i, const FieldDef& f, const Value& v) {
  if (v.blank) {
    t.clear(i);
    return true;
  }
  switch (f.type) {
    case FieldType::Character:
      t.setString(i, v.text);
      return true;
    case FieldType::Numeric:
    case FieldType::Float:
      if (!dbase::numberFits(f, v.number)) {
        try {
          t.setNumber(i, v.number);
        } catch (const dbase::Error&) {
          return false;
        }
        failed(f.name + ": a number that does not fit was taken");
      }
      t.setNumber(i, v.number);
      return true;
    case FieldType::Date:
      t.setDate(i, v.date);
      return true;
    case FieldType::Logical:
      t.setBool(i, v.flag);
      return true;
    default:
      t.writeBlob(i, v.text);
      return true;
  }
}

void expectValue(const dbase::Table& t, int i, const FieldDef& f, const Value& v, uint32_t r) {
  const std::string where = "record " + std::to_string(r) + " " + f.name + ": ";
  const bool memo = f.type == FieldType::Memo || f.type == FieldType::Binary;
  if (v.blank) {
    if (memo ? !t.readBlob(i).empty() : !t.isEmpty(i))
      failed(where + "blank reads as \"" + t.asString(i) + "\"");
    return;
  }
  switch (f.type) {
    case FieldType::Character:
      if (t.asString(i) != v.text)
        failed(where + "\"" + v.text + "\" reads \"" + t.asString(i) + "\"");
      break;
    case FieldType::Numeric:
    case FieldType::Float:
      if (std::fabs(t.asNumber(i) - v.number) > 1e-9 * std::max(1.0, std::fabs(v.number)))
        failed(where + std::to_string(v.number) + " reads " + std::string(t.fieldBytes(i)));
      break;
    case FieldType::Date: {
      const dbase::Date d = t.asDate(i);
      if (d.year != v.date.year || d.month != v.date.month || d.day != v.date.day)
        failed(where + "date reads " + t.asString(i));
      break;
    }
    case FieldType::Logical:
      if (t.asBool(i) != v.flag) failed(where + "logical reads " + t.asString(i));
      break;
    default:
      if (t.readBlob(i) != v.text)
        failed(where + "memo of " + std::to_string(v.text.size()) + " bytes reads back otherwise");
  }
}

void expectTable(dbase::Table& t, const std::vector<FieldDef>& fields,
                 const std::vector<Record>& model) {
  if (t.physicalCount() != model.size())
    failed(std::to_string(model.size()) + " records written, " + std::to_string(t.physicalCount()) +
           " counted");
  for (uint32_t r = 1; r <= model.size(); ++r) {
    t.goToRecord(r);
    const Record& m = model[r - 1];
    if (t.isDeleted() != m.deleted) failed("record " + std::to_string(r) + ": deletion flag");
    for (size_t i = 0; i < fields.size(); ++i)
      expectValue(t, static_cast<int>(i), fields[i], m.values[i], r);
  }
}

void expectSound(const std::string& path) {
  const dbase::CheckReport report = dbase::checkTable(path);
  if (report.sound()) return;
  for (const auto& p : report.listed)
    std::fprintf(stderr, "%s: %s\n", p.kind.c_str(), p.text.c_str());
  failed("check found " + std::to_string(report.total) + " problems");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  std::vector<FieldDef> fields;
  const int fieldCount = 1 + in.byte() % 6;
  for (int i = 0; i < fieldCount; ++i) fields.push_back(makeField(in, i));
  std::vector<dbase::TagDef> tags;
  const int tagCount = in.byte() % 3;
  for (int i = 0; i < tagCount; ++i) {
    const uint8_t pick = in.byte();
    const FieldDef& f = fields[pick % fields.size()];
    if (f.type == FieldType::Logical || f.type == FieldType::Memo || f.type == FieldType::Binary)
      continue;
    dbase::TagDef def;
    def.name = "T" + std::to_string(i);
    def.expression =
        f.type == FieldType::Character && (pick & 0x10) ? "UPPER(" + f.name + ")" : f.name;
    def.descending = pick & 0x20;
    def.unique = pick & 0x40;
    if (pick & 0x80) def.filter = ".NOT.DELETED()";
    tags.push_back(def);
  }
  fuzz::removeFile("W.DBF");
  fuzz::removeFile("W.DBT");
  fuzz::removeFile("W.MDX");
  const std::string path = (fuzz::scratch() / "W.DBF").string();
  try {
    dbase::Table::create(path, fields, tags);
  } catch (const dbase::Error&) {
    return 0;  // a layout or tag the engine refuses to create
  }
  dbase::OpenMode mode = in.byte() & 1 ? dbase::OpenMode::Exclusive : dbase::OpenMode::Shared;
  std::vector<Record> model;
  try {
    dbase::Table t;
    t.open(path, mode);
    for (int step = 0; step < 48 && !in.empty(); ++step) {
      const uint8_t op = in.byte();
      const auto pickRecord = [&] { return 1 + in.u32() % static_cast<uint32_t>(model.size()); };
      switch (op % 7) {
        case 0:
        case 1: {  // append
          if (model.size() >= 300) break;
          Record r;
          t.append();
          for (size_t i = 0; i < fields.size(); ++i) {
            Value v = makeValue(in, fields[i]);
            if (!setValue(t, static_cast<int>(i), fields[i], v)) v = Value{};
            r.values.push_back(std::move(v));
          }
          t.post();
          model.push_back(std::move(r));
          break;
        }
        case 2:
        case 3: {  // edit one or two fields, then post or cancel
          if (model.empty()) break;
          const uint32_t r = pickRecord();
          t.goToRecord(r);
          t.edit();
          std::vector<std::pair<size_t, Value>> changes;
          for (int k = 0; k < 1 + (op >> 7); ++k) {
            const size_t i = in.byte() % fields.size();
            Value v = makeValue(in, fields[i]);
            if (setValue(t, static_cast<int>(i), fields[i], v))
              changes.emplace_back(i, std::move(v));
          }
          if (op & 0x40) {
            t.cancel();
            break;
          }
          t.post();
          for (auto& [i, v] : changes) model[r - 1].values[i] = std::move(v);
          break;
        }
        case 4: {  // delete
          if (model.empty()) break;
          const uint32_t r = pickRecord();
          t.goToRecord(r);
          if (!t.isDeleted()) t.deleteRecord();
          model[r - 1].deleted = true;
          break;
        }
        case 5: {  // pack, which needs the table alone
          t.close();
          t.open(path, dbase::OpenMode::Exclusive);
          t.pack();
          std::erase_if(model, [](const Record& r) { return r.deleted; });
          t.close();
          t.open(path, mode);
          break;
        }
        default:  // reopen, perhaps in the other mode
          t.close();
          if (op & 0x80)
            mode = mode == dbase::OpenMode::Shared ? dbase::OpenMode::Exclusive
                                                   : dbase::OpenMode::Shared;
          t.open(path, mode);
      }
    }
    expectTable(t, fields, model);
    t.close();
  } catch (const dbase::Error& e) {
    failed(std::string("unexpected error: ") + e.what());
  }
  expectSound(path);
  dbase::Table reread;
  reread.open(path, dbase::OpenMode::Shared, true);
  expectTable(reread, fields, model);
  return 0;
}
