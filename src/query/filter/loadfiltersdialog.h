#pragma once

// The window that picks a filter template to load, or deletes templates.

#include <QDialog>

class QListWidget;
class QPushButton;
class TemplateList;

// Captioned "Load Filter Template"; lists the template names, the first one
// selected. OK gives the chosen template's file name.
class LoadFiltersDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kHelpContext = 109;
  explicit LoadFiltersDialog(TemplateList& templates, QWidget* parent = nullptr);

  // The selected template's file name; empty when nothing is selected.
  QString fileName() const;

  QListWidget* templateList;
  QPushButton* okButton;
  QPushButton* deleteButton;
  QPushButton* cancelButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void onDeleteClicked();

  TemplateList& templates_;
};
