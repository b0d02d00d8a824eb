#include "jobs/windows/Finestratransmisio.h"
// PLACEHOLDER: being written.
TTransmit::TTransmit(QWidget *parent) : QDialog(parent) {}
TTransmit::~TTransmit() = default;
int TTransmit::StartJob(int code, const QString &text) { jobCode = code; jobText = text; return 1; }
int TTransmit::StartNumberedJob(int code, const QString &text, int number) { jobNumber = number; StartJob(code, text); return 0; }
void TTransmit::setStartDelay(int) {}
void TTransmit::Timer2Timer() {}
void TTransmit::SortidaClick() {}
