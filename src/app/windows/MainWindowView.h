#pragma once
// What the identification and the firmware check need of the main window.

#include <QColor>
#include <QString>

class QWidget;

class MainWindowView {
public:
    virtual ~MainWindowView() = default;
    virtual QWidget *widget() = 0;
    virtual void setModelLabel(const QString &text) = 0;   // NomModel
    virtual void setPortLabel(const QString &text, const QColor &c) = 0;   // viewCOM
    virtual void refreshCommands() = 0;
};

// The main window in force, or nullptr (command line, tests without one).
MainWindowView *mainWindowView();
void setMainWindowView(MainWindowView *view);

// The BotoAutoID action: scans the ports for the meter (or lets the user pick the model) and
// updates the main window. Returns at once; the scan runs on a worker thread.
void autoIdentify(MainWindowView &view);
