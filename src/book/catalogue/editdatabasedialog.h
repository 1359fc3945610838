#pragma once

// The "Edit Database Information" window: a database's name and description.

#include <QDialog>

class QLineEdit;
class QPushButton;

class EditDatabaseDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 100;
  static constexpr int kNewHelpContext = 99;
  static constexpr int kNameLength = 40;
  static constexpr int kDescriptionLength = 250;

  // An empty file name makes it the window of a new database.
  EditDatabaseDialog(const QString& name, const QString& description, const QString& fileName,
                     QWidget* parent = nullptr);

  QString name() const;
  QString description() const;
  int helpContext() const { return helpContext_; }

  QLineEdit *nameEdit, *descriptionEdit, *fileNameEdit;
  QPushButton *okButton, *cancelButton, *helpButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int helpContext_ = kHelpContext;
};
