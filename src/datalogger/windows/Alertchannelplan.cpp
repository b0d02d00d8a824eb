#include "datalogger/windows/Alertchannelplan.h"
// PLACEHOLDER: being written.
TChannelPlanAlert::TChannelPlanAlert(QWidget *parent) : QDialog(parent) {}
void TChannelPlanAlert::showEvent(QShowEvent *e) { QDialog::showEvent(e); }
