#pragma once

// The window that edits the filter condition of one field: operator, values
// and the "One Of" list.

#include <QDialog>
#include <QStringList>
#include <array>
#include <optional>

#include "dbase/types.h"

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class CurrencyEdit;
class DateEdit;
class FilterEdit;
class FilterList;

// Captioned "Filter For " and the field's label. OK stores the condition in
// the filter unless the first value was left empty.
class FieldFilterDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 85;
  // Edits condition `index` of `filter`; `values`, when given, is what
  // "&Populate" fills the "One Of" list with.
  FieldFilterDialog(FilterList& filter, int index, const QString& label, uint8_t kind,
                    std::optional<QStringList> values = std::nullopt, QWidget* parent = nullptr);

  uint8_t kind() const { return kind_; }
  int chosenOperator() const;
  // The texts of the value editors in use.
  QString firstValue() const;
  QString secondValue() const;

  QLabel* fieldLabel;
  QGroupBox* operatorGroup;
  std::array<QRadioButton*, 7> operatorRadios;
  FilterEdit* edit1;
  FilterEdit* edit2;
  CurrencyEdit* currencyEdit1;
  CurrencyEdit* currencyEdit2;
  DateEdit* dateEdit1;
  DateEdit* dateEdit2;
  QLabel* wordLabel;  // "THAN" or "TO"
  QLabel* andLabel;
  QPlainTextEdit* oneOfMemo;
  QPushButton* fillButton;  // "&Populate" or "&Add"
  QPushButton* memoRemoveButton;
  QPushButton* okButton;
  QPushButton* cancelButton;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void showOperator(int op);
  void onFillClicked();
  void onMemoRemoveClicked();
  void onOkClicked();
  void setValue(int which, const QString& text);
  QString valueText(int which) const;

  FilterList& filter_;
  int index_;
  uint8_t kind_;
  std::optional<QStringList> values_;
};
