#pragma once

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Confirm Action" of the record pages: YES typed, and which page's record
// goes ("Left Page" or "Right Page").
class TDeleteDlg : public QDialog {
  Q_OBJECT

 public:
  explicit TDeleteDlg(QWidget* parent = nullptr);

  QLabel* Label1;
  QLabel* Label2;
  QLabel* WarningLbl;
  QRadioButton* LeftPage;
  QRadioButton* RightPage;
  QLineEdit* Edit1;
  QPushButton* B_OK;
  QPushButton* B_Cancel;

  // 0 left, 1 right.
  void SetPage(int page);
  int Page() const;

  // Shows the dialog with `page` chosen; the page chosen on a confirmed OK.
  static std::optional<int> Ask(QWidget* parent, int page);

 private:
  void B_OKClick();
};
