#pragma once

#include <QLineEdit>
#include <bitset>
#include <optional>

// The text box for filter values: it can be limited to a set of characters,
// written like a set literal ("[0..9,'-']"), and never takes Enter.
class FilterEdit : public QLineEdit {
  Q_OBJECT
  Q_PROPERTY(QString ValidChars READ validChars WRITE setValidChars)

 public:
  using CharSet = std::bitset<256>;

  explicit FilterEdit(QWidget* parent = nullptr);

  // "[]" (no restriction) by default. A value that is neither "[]" nor
  // enclosed in "[" and "]" is ignored; a restricting set removes the
  // characters of the text it does not hold.
  QString validChars() const { return validChars_; }
  void setValidChars(const QString& value);
  const CharSet& charSet() const { return set_; }

  // The set a literal describes; nothing when it is no set literal.
  static std::optional<CharSet> parseValidChars(const QString& value);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool allows(QChar c) const;

  QString validChars_ = QStringLiteral("[]");
  CharSet set_;  // empty: anything goes
};
