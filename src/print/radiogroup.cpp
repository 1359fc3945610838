#include "print/radiogroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
  auto* box = new QVBoxLayout(this);
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i], this);
    group_->addButton(b, i);
    box->addWidget(b);
  }
  connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool on) {
    if (on) emit choiceChanged(id);
  });
}

int RadioGroup::itemIndex() const { return group_->checkedId(); }

void RadioGroup::setItemIndex(int index) {
  if (QAbstractButton* b = group_->button(index)) b->setChecked(true);
}

QAbstractButton* RadioGroup::item(int index) const { return group_->button(index); }
