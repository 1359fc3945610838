#pragma once

#include <optional>

#include "deletedlg1.h"

class QRadioButton;

// "Confirm Action" of the record pages: YES typed, and which page's record
// goes ("Left Page" or "Right Page").
class TDeleteDlg : public TDeleteDlg1 {
  Q_OBJECT

 public:
  explicit TDeleteDlg(QWidget* parent = nullptr);

  QRadioButton* LeftPage;
  QRadioButton* RightPage;

  // 0 left, 1 right.
  void SetPage(int page);
  int Page() const;

  // Shows the dialog with `page` chosen; the page chosen on a confirmed OK.
  static std::optional<int> Ask(QWidget* parent, int page);
};
