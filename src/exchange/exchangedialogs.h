#pragma once

#include <QDialog>

#include "exchange/fieldchoice.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class RadioGroup;

// "Export Target" / "Import Source": a text file or a dBASE file.
class ImportSourceDialog : public QDialog {
  Q_OBJECT

 public:
  enum Choice { TextFile = 0, DbfFile = 1 };
  ImportSourceDialog(const QString& caption, const QString& groupCaption,
                     QWidget* parent = nullptr);
  Choice choice() const;

  RadioGroup* sourceGroup;
  QPushButton *okButton, *cancelButton, *helpButton;
};

// "Export Options" / "Import Options": which fields in which order, and how
// they are separated and delimited. Closing it by any button stores the
// exchange settings.
class ExchangeOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ExchangeOptionsDialog(const QString& caption, QWidget* parent = nullptr);
  int helpContext() const;
  void done(int result) override;

  QListWidget *allList, *includedList;
  QPushButton *includeButton, *includeAllButton, *excludeButton, *excludeAllButton;
  QPushButton *moveUpButton, *moveDownButton;
  RadioGroup *separatorGroup, *delimiterGroup;
  QLineEdit *separatorEdit, *delimiterEdit;
  QLabel* encodingLabel;
  QPushButton *okButton, *cancelButton, *helpButton;

 private:
  void showChoice();
  FieldChoice choice_;
};

// "Select File": a name in the exchange folder, from its list of tables or typed.
class SelectFileDialog : public QDialog {
  Q_OBJECT

 public:
  explicit SelectFileDialog(const QString& caption, QWidget* parent = nullptr);
  QString fileName() const;
  int helpContext() const;
  // A pattern ("*.*", "B*") only narrows the list.
  void accept() override;

  QLineEdit* fileNameEdit;
  QListWidget* fileList;
  QPushButton *okButton, *cancelButton, *helpButton;

 private:
  void fillList();
};
