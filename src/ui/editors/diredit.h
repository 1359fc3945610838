#pragma once

#include "ui/editors/buttonedit.h"

// A directory edit: its button opens the directory chooser, and leaving it
// with a directory the program cannot enter says "Invalid directory!".
class DirEdit : public ButtonEdit {
  Q_OBJECT

 public:
  // The chooser's help; F1 in the edit gives it too.
  static constexpr int kHelpContext = 114;
  explicit DirEdit(QWidget* parent);

  // Whether the process can enter `path` (the current directory is kept).
  static bool isEnterable(const QString& path);
  void chooseDirectory();

 protected:
  void buttonClick() override { chooseDirectory(); }
  void focusOutEvent(QFocusEvent* event) override;

 private:
  bool checking_ = false;
};
