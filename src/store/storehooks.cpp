#include "store/storehooks.h"

StoreHooks& storeHooks() {
  static StoreHooks hooks;
  return hooks;
}
