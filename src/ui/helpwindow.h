#pragma once

#include <QPointer>
#include <QWidget>

#include "ui/helpbook.h"

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;
class QToolButton;

// The program's help: contents, index and search beside the page, with
// back and forward. One window serves every help request.
class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  // The one window, made on first use.
  static HelpWindow* instance();
  // Null until the first help request.
  static HelpWindow* existing();

  // Shows the page of a context (the contents for an unknown one) above
  // `owner`, the modal window that asked, so it stays usable meanwhile.
  void showContext(int context, QWidget* owner = nullptr);
  // The page file shown ("book-list.html"), empty when none.
  QString currentPage() const;
  const HelpBook& book() const { return book_; }

  QTabWidget* tabs = nullptr;
  QTreeWidget* contentsTree = nullptr;
  QLineEdit* indexEdit = nullptr;
  QListWidget* indexList = nullptr;
  QLineEdit* searchEdit = nullptr;
  QListWidget* searchResults = nullptr;
  QTextBrowser* browser = nullptr;
  QToolButton* backButton = nullptr;
  QToolButton* forwardButton = nullptr;
  QToolButton* contentsButton = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit HelpWindow(QWidget* parent = nullptr);
  bool ensureLoaded();
  void fillLists();
  void openPage(const QString& page);
  void filterIndex(const QString& text);
  void runSearch();
  void followOwner(QWidget* owner);

  HelpBook book_;
  bool loaded_ = false;
  QString error_;  // why the pages could not be loaded
  QPointer<QWidget> owner_;
};
