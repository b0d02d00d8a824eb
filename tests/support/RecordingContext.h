#pragma once
// A job context for tests: records what the job showed (captions, status lines, progress
// ranges and values, messages, reported codes) in order, and can cancel after a given number
// of progress steps. Jobs run against it on the test's own thread.

#include "jobs/JobContext.h"
#include "link/SerialPort.h"

#include <QString>
#include <QStringList>
#include <vector>

class RecordingContext : public JobContext {
public:
    explicit RecordingContext(SerialPort &port = thePort()) : JobContext(port) {}

    struct Range {
        int bar, minimum, maximum;
    };

    void setCaption(const QString &text) override
    {
        events << QStringLiteral("caption:") + text;
        captions << text;
    }
    void setStatus(const QString &text) override
    {
        events << QStringLiteral("status:") + text;
        statuses << text;
    }
    void setProgressRange(int bar, int minimum, int maximum) override
    {
        events << QStringLiteral("range:%1:%2:%3").arg(bar).arg(minimum).arg(maximum);
        ranges.push_back({bar, minimum, maximum});
    }
    void setProgress(int bar, int value) override
    {
        if (bar == 0) {
            progress.push_back(value);
            if (cancelAtStep >= 0 && value >= cancelAtStep)
                requestCancel();
        }
    }
    void setProgressVisible(int bar, bool visible) override
    {
        events << QStringLiteral("visible:%1:%2").arg(bar).arg(visible ? 1 : 0);
    }
    void showMessage(const QString &caption, const QString &text, bool stopIcon) override
    {
        events << QStringLiteral("message:") + caption + QLatin1Char(':') + text;
        messages << text;
        (void)stopIcon;
    }
    void reportCode(int code) override
    {
        events << QStringLiteral("code:%1").arg(code);
        codes.push_back(code);
    }

    int cancelAtStep = -1;   // request Cancel once bar 0 reaches this value
    QStringList events;
    QStringList captions;
    QStringList statuses;
    QStringList messages;
    std::vector<Range> ranges;
    std::vector<int> progress;
    std::vector<int> codes;
};
