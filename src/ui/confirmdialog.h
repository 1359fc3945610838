#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The confirmation window: guards a deletion that cannot be undone.
// Captioned "Confirm Action"; the user types YES to let it go on. Other
// dialogs reuse it with their own first line and warning line.
class ConfirmDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ConfirmDialog(QWidget* parent = nullptr);

  // Controls, reached by the tests as a user would.
  QLabel* firstLineLabel;  // what is about to be deleted
  QLabel* promptLabel;     // "type in 'YES':"
  QLabel* warningLabel;
  QLineEdit* answerEdit;
  QPushButton* okButton;
  QPushButton* cancelButton;

  void setLines(const QString& firstLine, const QString& warningLine);

  // Shows the dialog; true only when the edit read "YES" on OK.
  static bool confirm(QWidget* parent, const QString& firstLine = {},
                      const QString& warningLine = {});
  // The guard of whole tables ("Confirm"): what is typed is taken as typed,
  // so only "YES" in capitals lets the work go on.
  static bool confirmTableWork(QWidget* parent, const QString& firstLine);
  void keepTypedCase();

 protected:
  // Adds a control of a derived dialog above the buttons.
  void insertAboveButtons(QWidget* widget);

 private slots:
  void onOkClicked();
};
