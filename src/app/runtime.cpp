#include "runtime.h"

TRunObjects& RunObjects() {
  static TRunObjects instance;
  return instance;
}
