// The job context of the command-line program: the status line and the progress of a job on
// standard error. On a terminal the progress is one bar redrawn in place; in a pipe or a log
// file it is plain lines, a few per job, so that a workshop's log stays readable.

#include "cli/Cli.h"
#include "jobs/JobContext.h"
#include "app/StringTable.h"
#include "link/ErrorCodes.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define KV_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define KV_ISATTY(f) isatty(fileno(f))
#endif

namespace {

class TerminalContext : public JobContext {
public:
    explicit TerminalContext(SerialPort &port) : JobContext(port), tty(KV_ISATTY(stderr) != 0) {}

    ~TerminalContext() override
    {
        // The bar shows where the job ended, not where the last throttled redraw left it.
        if (drawn)
            drawBar(true);
        endBar();
    }

    void setCaption(const QString &text) override
    {
        if (text.isEmpty() || text == caption)
            return;
        caption = text;
        line(text);
    }
    void setStatus(const QString &text) override
    {
        if (text == status)
            return;
        status = text;
        line(text);
    }
    void setProgressRange(int bar, int minimum, int maximum) override
    {
        if (bar < 0 || bar > 1)
            return;
        bars[bar] = Bar{minimum, std::max(minimum, maximum), minimum, -1};
        if (bar == 0)
            drawn = false;
    }
    void setProgress(int bar, int value) override
    {
        if (bar < 0 || bar > 1)
            return;
        Bar &b = bars[bar];
        b.value = std::clamp(value, b.minimum, b.maximum);
        if (bar == 1 && !loggerVisible)
            return;
        if (tty)
            drawBar(b.value == b.maximum);
        else
            printSteps(bar);
    }
    void setProgressVisible(int bar, bool visible) override
    {
        if (bar == 1)
            loggerVisible = visible;
    }
    void showMessage(const QString &messageCaption, const QString &text, bool stopIcon) override
    {
        (void)stopIcon;
        line(messageCaption.isEmpty() ? text : messageCaption + QStringLiteral(": ") + text);
    }
    void reportCode(int code) override
    {
        const QString text = ErrorCodeText(code);
        if (!text.isEmpty())
            line(text);
    }

private:
    struct Bar {
        int minimum = 0;
        int maximum = 100;
        int value = 0;
        int lastTenth = -1;   // plain output: the last tenth of the range printed
    };

    static int percent(const Bar &b)
    {
        const int span = b.maximum - b.minimum;
        return span > 0 ? int(qint64(b.value - b.minimum) * 100 / span) : 100;
    }

    static void write(const QString &text) { Cli::write(stderr, text); }

    void endBar()
    {
        if (drawn) {
            write(QStringLiteral("\n"));
            drawn = false;
        }
    }

    void line(const QString &text)
    {
        endBar();
        write(text + QLatin1Char('\n'));
        if (tty && bars[0].value > bars[0].minimum)
            drawBar(true);
    }

    void printSteps(int bar)
    {
        Bar &b = bars[bar];
        const int tenth = percent(b) / 10;
        if (tenth == b.lastTenth)
            return;
        b.lastTenth = tenth;
        const QString what = StringTable::text(bar == 0 ? 320 /* "progress" */ : 321 /* "loggers" */);
        write(QStringLiteral("%1 %2/%3 (%4%)\n")
                  .arg(what)
                  .arg(b.value - b.minimum)
                  .arg(b.maximum - b.minimum)
                  .arg(percent(b)));
    }

    void drawBar(bool force)
    {
        // Redrawn at most ten times a second: the terminal must not cost the job its pace.
        if (!force && sinceDraw.isValid() && sinceDraw.elapsed() < 100)
            return;
        sinceDraw.start();
        const Bar &b = bars[0];
        constexpr int width = 40;
        const int filled = percent(b) * width / 100;
        QString text = QStringLiteral("\r[");
        text += QString(filled, QLatin1Char('#'));
        text += QString(width - filled, QLatin1Char(' '));
        text += QStringLiteral("] ");
        text += QString::number(percent(b)).rightJustified(3, QLatin1Char(' '));
        text += QLatin1Char('%');
        if (loggerVisible) {
            const Bar &l = bars[1];
            text += QStringLiteral("  ") + StringTable::text(321 /* "loggers" */) + QLatin1Char(' ')
                    + QString::number(l.value - l.minimum) + QLatin1Char('/') + QString::number(l.maximum - l.minimum);
        }
        write(text);
        drawn = true;
    }

    const bool tty;
    QString caption;
    QString status;
    Bar bars[2];
    bool loggerVisible = false;
    bool drawn = false;
    QElapsedTimer sinceDraw;
};

}   // namespace

std::unique_ptr<JobContext> Cli::terminalContext(SerialPort &port)
{
    return std::make_unique<TerminalContext>(port);
}
