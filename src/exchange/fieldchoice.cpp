#include "exchange/fieldchoice.h"

#include "core/labels.h"
#include "core/settings.h"

FieldChoice FieldChoice::fromLabels() {
  const AppSettings& s = appSettings();
  QStringList names;
  std::vector<int> fields;
  const QStringList& l = labels();
  for (int k = 0; k < l.size(); ++k) {
    const int f = k + s.firstUserField;
    if (f < static_cast<int>(s.blobFields.size()) && s.blobFields.test(static_cast<size_t>(f)))
      continue;
    names << l[k];
    fields.push_back(f);
  }
  return FieldChoice(names, fields);
}

FieldChoice::FieldChoice(QStringList labels, std::vector<int> fields)
    : all_(std::move(labels)), fields_(std::move(fields)) {
  allRow_ = all_.isEmpty() ? -1 : 0;
}

void FieldChoice::include() {
  if (allRow_ < 0 || allRow_ >= all_.size()) return;
  const QString& name = all_[allRow_];
  if (!included_.contains(name, Qt::CaseInsensitive)) {
    included_ << name;
    includedRow_ = static_cast<int>(included_.size()) - 1;
  }
  if (allRow_ + 1 < all_.size()) ++allRow_;
}

void FieldChoice::includeAll() {
  included_ = all_;
  includedRow_ = included_.isEmpty() ? -1 : 0;
}

void FieldChoice::exclude() {
  if (includedRow_ < 0 || includedRow_ >= included_.size()) return;
  included_.removeAt(includedRow_);
  includedRow_ = std::min(includedRow_, static_cast<int>(included_.size()) - 1);
}

void FieldChoice::excludeAll() {
  included_.clear();
  includedRow_ = -1;
}

void FieldChoice::moveUp() {
  if (includedRow_ <= 0 || includedRow_ >= included_.size()) return;
  included_.swapItemsAt(includedRow_, includedRow_ - 1);
  --includedRow_;
}

void FieldChoice::moveDown() {
  if (includedRow_ < 0 || includedRow_ + 1 >= included_.size()) return;
  included_.swapItemsAt(includedRow_, includedRow_ + 1);
  ++includedRow_;
}

std::vector<int> FieldChoice::fieldNumbers() const {
  std::vector<int> out;
  for (const QString& name : included_) {
    const auto i = all_.indexOf(name);
    if (i >= 0) out.push_back(fields_[static_cast<size_t>(i)]);
  }
  return out;
}
