#include "datalogger/windows/Tamanyfont.h"
// PLACEHOLDER: being written.
TFontSize::TFontSize(QWidget *parent) : QDialog(parent) {}
void TFontSize::Button1Click() {}
void TFontSize::showEvent(QShowEvent *e) { QDialog::showEvent(e); }
