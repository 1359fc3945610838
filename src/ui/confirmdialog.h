#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// "Confirm Action": the user types YES to let a destructive action go on.
// Other dialogs reuse it with their own first line and warning line.
class ConfirmDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ConfirmDialog(QWidget* parent = nullptr);

  QLabel* label1;      // first line
  QLabel* label2;      // "type in 'YES':"
  QLabel* warningLbl;  // warning line
  QLineEdit* edit1;
  QPushButton* okButton;
  QPushButton* cancelButton;

  void setLines(const QString& firstLine, const QString& warningLine);

  // Shows the dialog; true only when the edit read "YES" on OK.
  static bool confirm(QWidget* parent, const QString& firstLine = {},
                      const QString& warningLine = {});

 protected:
  // Adds a control of a derived dialog above the buttons.
  void insertAboveButtons(QWidget* widget);

 private:
  void onOkClicked();
};
