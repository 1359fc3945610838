#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QTabBar;

// The frame the report and label dialogs share: their pages over a tab strip
// with "<< Previous" and "Next >>", and the button column on the right.
class PrintDialogFrame : public QDialog {
  Q_OBJECT

 public:
  QPushButton *printButton, *cancelButton, *helpButton, *loadButton, *saveButton, *previewButton;
  QTabBar* tabSet;
  QStackedWidget* notebook;
  QPushButton *previousButton, *nextButton;

 protected:
  explicit PrintDialogFrame(QWidget* parent);
  // Lays out `notebook`, filled by the dialog, with one tab per page name;
  // Previous and Next step through the tabs, Close rejects, Help opens the
  // help topic.
  void buildFrame(const QStringList& pages, int helpContext);
};

// "Load ... Template": the templates of one print file with OK, Cancel,
// Delete and Help. Deleting asks first; the dialog writes the file on OK.
class TemplateLoadDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 56;

  QLabel* listLabel;
  QListWidget* templateList;
  QPushButton *okButton, *cancelButton, *deleteButton, *helpButton;

 protected:
  // `kind` names the file's templates: "Report" or "Label".
  TemplateLoadDialog(const QString& kind, QWidget* parent);
  void showNames(const QStringList& names);
  // The selected template's row, or -1.
  int selectedRow() const;
  bool deleted() const { return deleted_; }
  virtual void removeTemplate(int row) = 0;

 private:
  void onDeleteClicked();

  bool deleted_ = false;
};
