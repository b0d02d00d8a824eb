#include "jobs/windows/Finestratransmisio.h"

#include "app/StringTable.h"
#include "app/windows/Prompts.h"
#include "jobs/Jobs.h"
#include "link/ErrorCodes.h"
#include "link/PortMessages.h"
#include "link/SerialPort.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <functional>

// The context the job sees while it runs on the worker thread. Everything it shows is queued
// to the window thread in the order the job produced it; a message waits until the user has
// acknowledged it, so the job stands still where it reported, as it would in a single thread.
class TTransmit::Context : public JobContext {
public:
    explicit Context(TTransmit *w) : JobContext(thePort()), window(w) {}

    void setCaption(const QString &text) override
    {
        post([w = window, text] { w->setWindowTitle(text); });
    }
    void setStatus(const QString &text) override
    {
        post([w = window, text] { w->File->setText(text); });
    }
    void setProgressRange(int bar, int minimum, int maximum) override
    {
        post([w = window, bar, minimum, maximum] {
            if (QProgressBar *b = w->bar(bar))
                b->setRange(minimum, std::max(minimum, maximum));
        });
    }
    void setProgress(int bar, int value) override
    {
        post([w = window, bar, value] {
            if (QProgressBar *b = w->bar(bar))
                b->setValue(std::clamp(value, b->minimum(), b->maximum()));
        });
    }
    void setProgressVisible(int bar, bool visible) override
    {
        post([w = window, bar, visible] {
            if (QProgressBar *b = w->bar(bar))
                b->setVisible(visible);
        });
    }
    void showMessage(const QString &caption, const QString &text, bool stopIcon) override
    {
        wait([w = window, caption, text, stopIcon] {
            prompts().message(w, caption, text, stopIcon ? Prompter::Icon::Critical : Prompter::Icon::Information);
        });
    }
    void reportCode(int code) override
    {
        wait([w = window, code] { ShowErrorCode(code, w); });
    }

    // Set when the window goes away under a running job: nothing more is shown.
    std::atomic<bool> detached{false};

private:
    void post(std::function<void()> f)
    {
        if (!detached.load())
            QMetaObject::invokeMethod(window, std::move(f), Qt::QueuedConnection);
    }
    void wait(std::function<void()> f)
    {
        if (!detached.load())
            QMetaObject::invokeMethod(window, std::move(f), Qt::BlockingQueuedConnection);
    }

    TTransmit *window;
};

namespace {
int defaultStartDelay = 1000;
}

void TTransmit::setDefaultStartDelay(int ms)
{
    defaultStartDelay = ms < 0 ? 1000 : ms;
}

TTransmit::TTransmit(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Transmit"));
    // No title-bar buttons: the window closes only when its job has ended.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(QStringLiteral("Kelvatrone"));
    setFixedSize(355, 126);

    File = new QLabel(this);
    File->setObjectName(QStringLiteral("File"));
    File->setAlignment(Qt::AlignCenter);

    BarraProgres = new QProgressBar(this);
    BarraProgres->setObjectName(QStringLiteral("BarraProgres"));
    BarraProgres->setRange(0, 100);
    BarraProgres->setValue(0);
    BarraProgres->setTextVisible(false);

    LoggerProgress = new QProgressBar(this);
    LoggerProgress->setObjectName(QStringLiteral("LoggerProgress"));
    LoggerProgress->setRange(0, 100);
    LoggerProgress->setValue(0);
    LoggerProgress->setTextVisible(false);
    LoggerProgress->setVisible(false);

    Sortida = new QPushButton(StringTable::text(19 /* "Cancel" */), this);
    Sortida->setObjectName(QStringLiteral("Sortida"));
    Sortida->setAutoDefault(false);
    connect(Sortida, &QPushButton::clicked, this, &TTransmit::SortidaClick);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(defaultStartDelay);
    connect(Timer1, &QTimer::timeout, this, &TTransmit::Timer2Timer);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(File);
    layout->addWidget(BarraProgres);
    layout->addWidget(LoggerProgress);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Sortida);
    buttons->addStretch();
    layout->addLayout(buttons);
}

TTransmit::~TTransmit()
{
    if (worker) {
        // Only reached if the window is destroyed under a running job: stop the job at its
        // next test and let it end before the window's widgets go.
        running->detached.store(true);
        running->requestCancel();
        while (!worker->wait(20))
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        delete worker;
        delete running;
    }
}

QProgressBar *TTransmit::bar(int index) const
{
    return index == 0 ? BarraProgres : index == 1 ? LoggerProgress : nullptr;
}

int TTransmit::StartJob(int code, const QString &text)
{
    int accepted = 0;
    if (isKnownJobKind(code)) {
        jobCode = code;
        jobText = text;
        accepted = 1;
    }
    Timer1->start();
    return accepted;
}

int TTransmit::StartNumberedJob(int code, const QString &text, int number)
{
    jobNumber = number;
    StartJob(code, text);
    return 0;
}

void TTransmit::setStartDelay(int ms)
{
    Timer1->setInterval(ms);
}

void TTransmit::Timer2Timer()
{
    Timer1->stop();
    if (busy || finished)
        return;
    if (jobCode < 0) {
        // No job was accepted: the window closes with Cancel, and the caller must not take
        // the job as done, so the result is a failure too.
        finished = true;
        jobResult = Err::UserBreak;
        done(QDialog::Rejected);
        return;
    }
    busy = true;
    running = new Context(this);
    worker = QThread::create([this, ctx = running, code = jobCode, text = jobText, number = jobNumber] {
        const int result = runJob(*ctx, code, text, number);
        QMetaObject::invokeMethod(
            this, [this, result] { jobEnded(result); }, Qt::QueuedConnection);
    });
    worker->setObjectName(QStringLiteral("TTransmit job"));
    worker->start();
}

void TTransmit::jobEnded(int result)
{
    worker->wait();
    delete worker;
    worker = nullptr;
    delete running;
    running = nullptr;
    busy = false;
    finished = true;
    jobResult = result;
    // The job's own result says only that the port did not open; tell the user why.
    if (result == Err::PortFailure) {
        const QString why = portFailureText(thePort().lastFailure());
        if (!why.isEmpty())
            prompts().message(this, StringTable::text(51 /* "Warning" */), why, Prompter::Icon::Warning);
    }
    done(result == 0 ? QDialog::Accepted : QDialog::Rejected);
}

void TTransmit::SortidaClick()
{
    if (busy) {
        running->requestCancel();
        BarraProgres->setValue(BarraProgres->minimum());
        return;
    }
    if (finished)
        return;
    // Pressed before the job started: the job never runs, and that is a user break, not a
    // success the caller would take as done.
    Timer1->stop();
    finished = true;
    jobResult = Err::UserBreak;
    done(QDialog::Rejected);
}

void TTransmit::reject()
{
    // Escape: like Cancel before the job starts; ignored while a job runs.
    if (busy)
        return;
    SortidaClick();
}

void TTransmit::closeEvent(QCloseEvent *event)
{
    if (busy) {
        event->ignore();
        return;
    }
    if (!finished) {
        event->ignore();
        SortidaClick();
        return;
    }
    QDialog::closeEvent(event);
}
