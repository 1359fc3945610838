#pragma once

// The "Edit Lists" window: the lookup lists of the current database, one
// shown at a time, with its values added, changed, deleted or filled in from
// the records.

#include <QDialog>
#include <functional>
#include <memory>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QListView;
class QPushButton;
class QStringListModel;
class ListEditor;

class ListDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 65;
  // `sourceOf` gives the list table of a field label position, empty when the
  // field has no list; without it (no record page view) no list is shown.
  using SourceOf = std::function<QString(int position)>;
  ListDialog(const SourceOf& sourceOf, QWidget* parent = nullptr);
  ~ListDialog() override;

  QGroupBox* listsGroup;  // "Lists"
  QButtonGroup* listButtons;
  QLabel* elementsLabel;
  QListView* elementsGrid;
  QPushButton *newButton, *editButton, *deleteButton, *updateButton, *closeButton;

  ListEditor& editor() { return *editor_; }

 public slots:
  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void onListChosen(int index);
  void onNewClicked();
  void onEditClicked();
  void onDeleteClicked();
  void onUpdateClicked();
  void showItems(int row = 0);
  int currentRow() const;

  std::unique_ptr<ListEditor> editor_;
  QStringListModel* items_;
  bool hasLists_ = false;
  bool closing_ = false;
};
