#pragma once

#include <optional>

#include "ui/confirmdialog.h"

class QRadioButton;

// "Confirm Action" of the record pages: YES typed, and which page's record
// goes ("Left Page" or "Right Page").
class ConfirmPageDialog : public ConfirmDialog {
  Q_OBJECT

 public:
  explicit ConfirmPageDialog(QWidget* parent = nullptr);

  QRadioButton* leftPage;
  QRadioButton* rightPage;

  // 0 left, 1 right.
  void setPage(int page);
  int page() const;

  // Shows the dialog with `page` chosen; the page chosen on a confirmed OK.
  static std::optional<int> Ask(QWidget* parent, int page);
};
