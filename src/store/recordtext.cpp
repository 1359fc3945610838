#include "store/recordtext.h"

#include <QRegularExpression>
#include "dbase/codepage.h"

#include "core/settings.h"
#include "dbase/table.h"

QString fromTableText(const std::string& bytes) {
  return QString::fromStdString(dbase::cp1252ToUtf8(bytes));
}

std::string toTableText(const QString& text) { return dbase::utf8ToCp1252(text.toStdString()); }

QString shortDatePattern() {
  switch (appSettings().dateFormat) {
    case 1:
      return QStringLiteral("dd/MM/yy");
    case 2:
      return QStringLiteral("yy/MM/dd");
    default:
      return QStringLiteral("MM/dd/yy");
  }
}

QString shortDateText(const QDate& date) {
  return date.isValid() ? date.toString(shortDatePattern()) : QString();
}

QString fieldDisplayText(const dbase::Table& table, int field) {
  const dbase::FieldDef& f = table.fields().at(static_cast<size_t>(field));
  switch (f.type) {
    case dbase::FieldType::Memo:
    case dbase::FieldType::Binary:
      return {};
    case dbase::FieldType::Date: {
      const dbase::Date d = table.asDate(field);
      return d.isBlank() ? QString() : shortDateText(QDate(d.year, d.month, d.day));
    }
    case dbase::FieldType::Logical:
      if (table.isEmpty(field)) return {};
      return table.asBool(field) ? QStringLiteral("True") : QStringLiteral("False");
    default:
      return fromTableText(table.asString(field));
  }
}

QString quickViewText(const dbase::Table& table, int field) {
  const dbase::FieldDef& f = table.fields().at(static_cast<size_t>(field));
  QString text;
  switch (f.type) {
    case dbase::FieldType::Memo: {
      const QString memo = fromTableText(table.asString(field));
      text = memo.section(QRegularExpression(QStringLiteral("\r\n|\n|\r")), 0, 0);
      break;
    }
    case dbase::FieldType::Binary:
      text = QStringLiteral("<PICTURE>") +
             (table.isEmpty(field) ? QStringLiteral(" - Empty") : QStringLiteral(" - Not Empty"));
      break;
    default:
      text = fieldDisplayText(table, field);
  }
  return text.left(50);
}
