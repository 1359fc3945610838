#pragma once

#include "mainview.h"

// The table of contents: two facing pages of 24 records (book model "Two Levels").
class TForm1 : public TMainView {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);
};
