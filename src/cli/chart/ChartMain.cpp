// kelvatrone-chart LANGUAGE LOGGER OUT WIDTH HEIGHT: the drawing half of "kelvatrone-cli chart",
// which checks the command line and starts this program beside itself with absolute paths.
// A width or height of 0 takes the chart's default size. Exit status and messages are the
// command line's: 0, or 1 with the error table's message on standard error.

#include "app/StringTable.h"
#include "datalogger/LevelChart.h"
#include "datalogger/windows/LevelChartView.h"
#include "link/ErrorCodes.h"

#include <QApplication>
#include <QLocale>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

void writeLine(FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

int unableToOpen(const QString &path)
{
    writeLine(stderr, QStringLiteral("%1: %2").arg(ErrorCodeText(Err::UnableToOpenFile), path));
    return 1;
}

}   // namespace

// Started by kelvatrone-cli, which keeps this program's standard input open for as long as it
// runs: the end of that input means the command line was ended, and the drawing is no longer
// wanted by anyone.
void endWithParent()
{
    if (qEnvironmentVariable("KV_CHART_WATCH_PARENT") != QLatin1String("1"))
        return;
    std::thread([] {
        char c;
        while (std::fread(&c, 1, 1, stdin) == 1) {
        }
        std::_Exit(1);
    }).detach();
}

int main(int argc, char **argv)
{
    endWithParent();
    // Nothing is shown: the chart is drawn off screen unless a platform is set.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    QLocale::setDefault(QLocale::c());
    StringTable::fillStringTable();

    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 6) {
        writeLine(stderr, QStringLiteral("usage: kelvatrone-chart LANGUAGE LOGGER OUT WIDTH HEIGHT "
                                         "(kelvatrone-cli chart starts it)"));
        return 2;
    }
    StringTable::setLanguage(args.at(1).toInt());
    const QString logger = args.at(2);
    const QString out = args.at(3);
    LevelChart::Model model;
    if (LevelChart::load(logger, model) < 0)
        return unableToOpen(logger);
    QSize size(args.at(4).toInt(), args.at(5).toInt());
    if (size.isEmpty())
        size = LevelChartDraw::defaultSize(model, out);
    const int saved = LevelChartDraw::saveChart(model, out, size);
    if (saved == Err::WriteFailed) {
        writeLine(stderr, ErrorCodeText(saved));
        return 1;
    }
    if (saved < 0)
        return unableToOpen(out);
    writeLine(stdout, model.summary());
    return 0;
}
