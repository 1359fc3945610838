#pragma once

#include <QString>
#include <optional>

// How a currency edit reads and shows an amount, without a widget. Always "."
// for the decimal point and "," between thousands, whatever the locale: the
// amount the edit shows is the amount it reads back.
namespace currency {

// Backspace, "-", "." and the digits may be typed.
bool isAllowedChar(QChar c);
// The characters of a paste that typing could have put in.
QString allowedPart(const QString& text);
// A text with "-" or "(" is negative.
bool isNegativeText(const QString& text);
// Everything but "." and the digits dropped: 0 when nothing is left, nothing
// when the rest is not a number (two points).
std::optional<double> parse(const QString& text);
// `value` in a number pattern: ",0.00" gives 1,234.50. A pattern may have a
// second section for negative amounts ("#,##0.00;(#,##0.00)") and a third for zero.
QString format(double value, const QString& pattern);

}  // namespace currency
