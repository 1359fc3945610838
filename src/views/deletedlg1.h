#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// "Confirm Action": the user types YES to let a destructive action go on.
// Other dialogs reuse it with their own first line and warning line.
class TDeleteDlg1 : public QDialog {
  Q_OBJECT

 public:
  explicit TDeleteDlg1(QWidget* parent = nullptr);

  QLabel* Label1;      // first line
  QLabel* Label2;      // "type in 'YES':"
  QLabel* WarningLbl;  // warning line
  QLineEdit* Edit1;
  QPushButton* B_OK;
  QPushButton* B_Cancel;

  void SetLines(const QString& firstLine, const QString& warningLine);

  // Shows the dialog; true only when the edit read "YES" on OK.
  static bool Confirm(QWidget* parent, const QString& firstLine = {},
                      const QString& warningLine = {});

 protected:
  // Adds a control of a derived dialog above the buttons.
  void InsertAboveButtons(QWidget* widget);

 private:
  void B_OKClick();
};
