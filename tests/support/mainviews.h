#pragma once

#include "book/combined/combinedview.h"
#include "book/contents/contentsview.h"
#include "book/viewhost.h"

// Both book models as the program registers them, so that a switch of model
// in a test makes the other view.
inline void registerBookViews() {
  registerMainView(1, [](QWidget* owner) -> BookView* { return new ContentsView(owner); });
  registerMainView(0, [](QWidget* owner) -> BookView* { return new CombinedView(owner); });
}
