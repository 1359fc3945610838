#pragma once

#include <QComboBox>
#include <memory>

class LookupList;

// A record page's drop-down of the values used before in its field: the items
// of a lookup list, shared with every other box on the same list (the twin on
// the other page shows a value as soon as this one adds it). A typed value
// that is not an item yet joins the list when the box loses the focus.
class LookupBox : public QComboBox {
  Q_OBJECT

 public:
  explicit LookupBox(QWidget* parent);
  ~LookupBox() override;

  // The list whose items the box offers; nothing for a box without one.
  void setList(std::shared_ptr<LookupList> list);
  LookupList* list() const { return list_.get(); }
  QString source() const;
  // Adds the box's text to its list (see LookupList::addValue).
  void addValue();

 protected:
  void showPopup() override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  std::shared_ptr<LookupList> list_;
  QString keptText_;
  int keptCursor_ = 0;
};
