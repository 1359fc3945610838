#pragma once

#include <optional>

#include "ui/confirmdialog.h"

class QRadioButton;

// The record pages' confirmation window: which page's record to delete.
// "Confirm Action" with YES typed, and "Left Page" or "Right Page" chosen.
class ConfirmPageDialog : public ConfirmDialog {
  Q_OBJECT

 public:
  explicit ConfirmPageDialog(QWidget* parent = nullptr);

  QRadioButton* leftPageRadio;
  QRadioButton* rightPageRadio;

  // 0 left, 1 right.
  void setPage(int page);
  int page() const;

  // Shows the dialog with `page` chosen; the page chosen on a confirmed OK.
  static std::optional<int> ask(QWidget* parent, int page);
};
