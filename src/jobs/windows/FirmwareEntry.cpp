#include "app/windows/WindowEntry.h"
// PLACEHOLDER: the firmware list is being written.
void openFirmwareList(QWidget *) {}
