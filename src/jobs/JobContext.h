#pragma once
// What a job sees of the world: a status line, two progress bars, a cancel flag and the port.
// The transfer window gives a job a context that drives its widgets from a worker thread, the
// command-line program one that prints to the terminal, and tests one that records.

#include "link/SerialPort.h"
#include <QString>
#include <atomic>

class JobContext {
public:
    explicit JobContext(SerialPort &port) : port_(port) {}
    virtual ~JobContext() = default;

    SerialPort &port() { return port_; }

    virtual void setCaption(const QString &text) { (void)text; }
    virtual void setStatus(const QString &text) = 0;
    // bar 0: BarraProgres, the job's main progress; bar 1: LoggerProgress (all-loggers job).
    virtual void setProgressRange(int bar, int minimum, int maximum) = 0;
    virtual void setProgress(int bar, int value) = 0;
    virtual void setProgressVisible(int bar, bool visible)
    {
        (void)bar;
        (void)visible;
    }

    // Shows a message and waits until it is acknowledged (the job waits where it reported).
    virtual void showMessage(const QString &caption, const QString &text, bool stopIcon)
    {
        (void)caption;
        (void)text;
        (void)stopIcon;
    }
    // Reports a failure code through the error table, waiting like showMessage.
    virtual void reportCode(int code) { (void)code; }

    // Cancel: the job's internal result becomes -98; jobs test it between commands.
    void requestCancel() { cancelled_.store(true); }
    bool cancelRequested() const { return cancelled_.load(); }

private:
    SerialPort &port_;
    std::atomic<bool> cancelled_{false};
};
