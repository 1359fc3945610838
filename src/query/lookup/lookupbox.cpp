#include "query/lookup/lookupbox.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListView>

#include "query/lookup/lookuplist.h"

LookupBox::LookupBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  // What the user types stays as typed: no completion fills in the rest.
  setCompleter(nullptr);
  // Thousands of values must not be measured on every show.
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  if (auto* listView = qobject_cast<QListView*>(view())) listView->setUniformItemSizes(true);
  setMaxVisibleItems(12);
}

LookupBox::~LookupBox() {
  addValue();
  // The shared model may outlive or precede this box: let go of it first.
  if (list_) setModel(new QStringListModel(this));
}

void LookupBox::setList(std::shared_ptr<LookupList> list) {
  if (list_) disconnect(list_->model(), nullptr, this, nullptr);
  list_ = std::move(list);
  if (!list_) return;
  const QString text = currentText();
  setModel(list_->model());
  // A reload resets the model, which would empty the edit, and a first item
  // becomes the text of an empty box: the text stays as it is.
  QStringListModel* model = list_->model();
  auto keep = [this] {
    keptText_ = lineEdit()->text();
    keptCursor_ = lineEdit()->cursorPosition();
  };
  auto restore = [this] {
    if (lineEdit()->text() == keptText_) return;
    const QSignalBlocker quietBox(this);
    const QSignalBlocker quietLine(lineEdit());
    setCurrentIndex(-1);
    lineEdit()->setText(keptText_);
    lineEdit()->setCursorPosition(keptCursor_);
  };
  connect(model, &QAbstractItemModel::modelAboutToBeReset, this, keep);
  connect(model, &QAbstractItemModel::modelReset, this, restore);
  connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this, keep);
  connect(model, &QAbstractItemModel::rowsInserted, this, restore);
  setCurrentIndex(-1);
  setEditText(text);
}

QString LookupBox::source() const { return list_ ? list_->source() : QString(); }

void LookupBox::addValue() {
  if (list_ && isEnabled()) list_->addValue(currentText());
}

void LookupBox::showPopup() {
  // The drop-down opens on the value the box shows.
  const int shown = findText(currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (shown >= 0 && shown != currentIndex()) setCurrentIndex(shown);
  QComboBox::showPopup();
}

void LookupBox::focusInEvent(QFocusEvent* event) {
  QComboBox::focusInEvent(event);
  // The caret at the start, nothing selected.
  lineEdit()->deselect();
  lineEdit()->setCursorPosition(0);
}

void LookupBox::focusOutEvent(QFocusEvent* event) {
  QComboBox::focusOutEvent(event);
  // The drop-down taking the focus is not leaving the box.
  if (event->reason() != Qt::PopupFocusReason) addValue();
}
