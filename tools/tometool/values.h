#pragma once

// Field values as tometool shows and accepts them: UTF-8 text, dates as
// YYYY-MM-DD, logicals T/F, binary contents as hex.

#include <string>
#include <string_view>

#include "dbase/table.h"

namespace tometool {

// The current record's field as CSV text.
std::string fieldText(const dbase::Table& table, int field);
// Stores CSV text into the record buffer; "" clears the field. Throws
// std::runtime_error naming what is wrong with the text.
void setFieldText(dbase::Table& table, int field, std::string_view text);

// "2024-03-01" or "20240301"; nullopt-like blank Date for "".
dbase::Date parseDate(std::string_view text);
// A --from/--to bound for a tag whose key has this type.
dbase::KeyValue parseBound(std::string_view text, dbase::KeyType type);

// Text from files made safe for a terminal, on one line: control bytes
// (C0, DEL, C1) and bytes that are not UTF-8 become \xNN. Every message and
// report line that may quote file contents goes through it.
std::string printable(std::string_view text);

}  // namespace tometool
