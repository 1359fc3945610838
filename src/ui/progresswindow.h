#pragma once

#include <QDialog>
#include <memory>

#include "core/progress.h"

class ProgressBar;

// The progress window: shows how far a long pass over a table has got.
// One bar, always on top, no border icons.
class ProgressWindow : public QDialog {
  Q_OBJECT

 public:
  explicit ProgressWindow(QWidget* parent = nullptr);

  ProgressBar* progressBar() const { return bar_; }
  void centreOnScreen();

 private:
  ProgressBar* bar_;
};

// The progress that the running program installs: shows a ProgressWindow with
// the hourglass while open and lets pending events run after each update.
class WindowProgress : public Progress {
 public:
  WindowProgress() = default;
  ~WindowProgress() override;
  WindowProgress(const WindowProgress&) = delete;
  WindowProgress& operator=(const WindowProgress&) = delete;

  // The open window, null while closed.
  ProgressWindow* window() const { return dlg_.get(); }

 protected:
  void showWindow(const QString& caption) override;
  void showPercent(int percent) override;
  void hideWindow() override;

 private:
  std::unique_ptr<ProgressWindow> dlg_;
  bool cursorSet_ = false;
};
