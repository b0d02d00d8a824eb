#include "app/windows/MainWindowView.h"
// PLACEHOLDER: the identification window is being written.
void autoIdentify(MainWindowView &) {}
