#pragma once

#include <QDate>
#include <QString>
#include <string>

namespace dbase {
class Table;
}

// Text of table fields as the views show them. Table text is Windows-1252;
// the program's strings are Unicode.
QString FromTableText(const std::string& bytes);
std::string ToTableText(const QString& text);

// The program-wide short date pattern from DateFormat: mm/dd/yy, dd/mm/yy, yy/mm/dd.
QString ShortDatePattern();
QString ShortDateText(const QDate& date);

// A field's display text: dates in the short pattern, numbers as stored,
// memo and picture fields empty.
QString FieldDisplayText(const dbase::Table& table, int field);

// The quick-view line of a field: a memo's first line, "<PICTURE> - Empty" or
// " - Not Empty" for a picture, else the display text; at most 50 characters.
QString QuickViewText(const dbase::Table& table, int field);
