#pragma once

// The "Load Database" window: picks, creates, describes and deletes the
// databases of the private or the public directory.

#include <QDialog>
#include <memory>

class QListWidget;
class QPushButton;
class QRadioButton;
class CatalogueBrowser;
class DbTable;

class LoadDatabaseDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 1;  // the help contents

  // Works on the main view's catalogue object, which it leaves in the
  // directory of DatabaseDir when it closes.
  explicit LoadDatabaseDialog(DbTable& catalogue, QWidget* parent = nullptr);
  ~LoadDatabaseDialog() override;

  // The chosen table's file name after "&Load"; DatabaseDir is its directory.
  const QString& selection() const { return selection_; }

  QListWidget* databaseList;
  QRadioButton *privateButton, *publicButton;
  QPushButton *loadButton, *cancelButton, *helpButton, *editButton, *newButton, *deleteButton;

 public slots:
  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void onTypeChosen();
  void onLoadClicked();
  void onCancelClicked();
  void onEditClicked();
  void onNewClicked();
  void onDeleteClicked();
  void fillList(int row);
  QString selectedFile() const;

  std::unique_ptr<CatalogueBrowser> browser_;
  QString selection_;
};
