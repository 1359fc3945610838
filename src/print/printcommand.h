#pragma once

#include <QDialog>

class DbTable;
class QPushButton;
class RadioGroup;

// "Print": which kind of output the print command makes.
class PrintChoiceDialog : public QDialog {
  Q_OBJECT

 public:
  enum Choice { StandardReport = 0, Labels = 1 };
  explicit PrintChoiceDialog(QWidget* parent = nullptr);

  Choice choice() const;

  RadioGroup* reportType;
  QPushButton *okButton, *cancelButton;
};

// The views' print command: asks for the kind of output, then opens the
// report or labels dialog on the records.
void runPrintCommand(DbTable& records, QWidget* parent);
// The print-record command: the same question, then the table's current
// record printed at once on one-inch margins of a Letter page, or the
// labels dialog for that record alone.
void runPrintRecordCommand(DbTable& records, QWidget* parent);
