#pragma once

#include <QDate>
#include <QString>
#include <string>

namespace dbase {
class Table;
}

// Text of table fields as the views show them. Table text is Windows-1252;
// the program's strings are Unicode.
QString fromTableText(const std::string& bytes);
std::string toTableText(const QString& text);

// The program-wide short date pattern from DateFormat: mm/dd/yy, dd/mm/yy, yy/mm/dd.
QString shortDatePattern();
QString shortDateText(const QDate& date);

// A field's display text: dates in the short pattern, numbers as stored,
// memo and picture fields empty.
QString fieldDisplayText(const dbase::Table& table, int field);

// The quick-view line of a field: a memo's first line, "<PICTURE> - Empty" or
// " - Not Empty" for a picture, else the display text; at most 50 characters.
QString quickViewText(const dbase::Table& table, int field);
