#pragma once

#include "mainview.h"

// The combined view: one contents page and one record page (book model "One Level").
class TForm3 : public TMainView {
  Q_OBJECT

 public:
  explicit TForm3(QWidget* parent = nullptr);
};
