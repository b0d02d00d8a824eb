// The level chart and the CSV export on a logger of 140 channels. Run by hand:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_levelchart [runs]
// 1. The TV viewer with its chart page down, from the start of loading the file to the window
//    painted (goal: under 100 ms).
// 2. "kelvatrone-cli export" of that logger: the process time (user + system) of the whole
//    program run (goal: under 20 ms), and its wall time.

#include "LoggerSamples.h"

#include "app/AppState.h"
#include "app/StringTable.h"
#include "datalogger/LoggerCsv.h"
#include "datalogger/windows/Dloggerkv27.h"
#include "datalogger/windows/LevelChartView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

struct Figures {
    double min, median, max;
};

Figures figures(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

double childCpuMs()
{
#ifdef Q_OS_UNIX
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
#else
    return 0;
#endif
}

}   // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    StringTable::fillStringTable();
    QTemporaryDir dir;
    app().tempFolder = dir.path();
    const QString logger = dir.filePath(QStringLiteral("wide.lg27t"));
    {
        QFile f(logger);
        if (!f.open(QIODevice::WriteOnly) || f.write(manyChannelTvLogger(140)) < 0)
            return 1;
    }

    // 1. Load to painted, chart page down. The load timer is held back so that the measured time
    // starts when loading starts, not when the window appears.
    std::vector<double> viewer;
    for (int i = 0; i < runs; ++i) {
        TKv27Datalogger v;
        v.setLoadDelay(1000000);
        v.setFile(logger);
        v.LevelChart1->setChecked(true);
        v.show();
        if (!QTest::qWaitForWindowExposed(&v))
            return 1;
        QElapsedTimer t;
        t.start();
        v.Timer1Timer();
        QCoreApplication::processEvents();   // the chart lays itself out
        v.repaint();
        viewer.push_back(t.nsecsElapsed() / 1e6);
        if (!v.isLoaded() || v.chartModel().bars.size() != 140)
            return 1;
    }
    const Figures fv = figures(viewer);
    std::printf("viewer with chart, 140 channels, load to painted: first %.1f ms, min %.1f, median %.1f, max %.1f ms"
                " (%d runs; goal < 100 ms)\n",
                viewer.front(), fv.min, fv.median, fv.max, runs);

    // 2. The command line export, a whole process each time, beside "help", which does nothing but
    // start the program: the difference is the export's own share.
    const QString csv = dir.filePath(QStringLiteral("wide.csv"));
    auto timeCli = [&](const QStringList &args, std::vector<double> &cpu, std::vector<double> &wall) {
        for (int i = 0; i < runs; ++i) {
            const double before = childCpuMs();
            QElapsedTimer t;
            t.start();
            QProcess p;
            p.start(QStringLiteral(KV_CLI_PATH), QStringList{QStringLiteral("--workspace"), dir.path()} + args);
            if (!p.waitForFinished(30000) || p.exitCode() != 0)
                return false;
            wall.push_back(t.nsecsElapsed() / 1e6);
            cpu.push_back(childCpuMs() - before);
        }
        return true;
    };
    std::vector<double> cpu, wall, startCpu, startWall;
    // Interleaved, so that both see the same load of the machine.
    for (int round = 0; round < 2; ++round) {
        if (!timeCli({QStringLiteral("export"), logger, csv}, cpu, wall)
            || !timeCli({QStringLiteral("help")}, startCpu, startWall))
            return 1;
    }
    const Figures fc = figures(cpu);
    const Figures fs = figures(startCpu);
    std::printf("kelvatrone-cli export, 140 channels: process time min %.1f, median %.1f, max %.1f ms (goal < 20 ms);"
                " wall median %.1f ms; program start alone (help) median %.1f ms\n",
                fc.min, fc.median, fc.max, figures(wall).median, fs.median);

    // For reference: the export inside a running program.
    std::vector<double> core;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        if (LoggerCsv::exportFile(logger, LoggerFamily::Tv, csv) != 0)
            return 1;
        core.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("export in process (read, build, write): median %.2f ms\n", figures(core).median);
    return 0;
}
