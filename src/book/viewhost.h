#pragma once

#include <QDialog>
#include <QPointer>

class BookView;

// The hidden main window: the run ends when it closes. It owns the main view.
class ViewHost : public QDialog {
  Q_OBJECT

 public:
  explicit ViewHost(QWidget* parent = nullptr);
  ~ViewHost() override;

  // Clears the current view and ends the message loop.
  void shutdown();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void formCreate();
  QObject* hintFilter_ = nullptr;
};

// The shown main view, or nullptr.
BookView* currentView();
void setCurrentView(BookView* view);
ViewHost* mainDlg();
