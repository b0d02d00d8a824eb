#include "app/windows/WindowEntry.h"
// PLACEHOLDER: the library window is being written.
void openChannelPlanLibrary(QWidget *) {}
