#pragma once

#include <QGroupBox>
#include <QStringList>

class QAbstractButton;
class QButtonGroup;

// A captioned group of radio buttons whose choice is the item position.
// Setting the choice from code announces it like a click when it changes.
class RadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  RadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

  int itemIndex() const;
  void setItemIndex(int index);
  QAbstractButton* item(int index) const;

 signals:
  void choiceChanged(int index);

 private:
  QButtonGroup* group_;
};
