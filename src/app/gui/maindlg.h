#pragma once

#include <QDialog>
#include <QPointer>

class TMainView;

// The hidden main window: the run ends when it closes. It owns the main view.
class TMainDlg : public QDialog {
  Q_OBJECT

 public:
  explicit TMainDlg(QWidget* parent = nullptr);
  ~TMainDlg() override;

  // Clears the current view and ends the message loop.
  void Shutdown();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void FormCreate();
  QObject* hintFilter_ = nullptr;
};

// The shown main view, or nullptr.
TMainView* CurrentView();
void SetCurrentView(TMainView* view);
TMainDlg* MainDlg();
