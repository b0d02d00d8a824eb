// kelvatrone-meter: a simulated meter on a pseudo-terminal, for the device tests and the demo.
// It answers the meter's command table, keeps what it receives in a state folder and injects
// faults on request. Every option is described in its manual page (kelvatrone-meter(1)) and by --help.

#include "Faults.h"
#include "Meter.h"
#include "Pty.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <thread>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

const char *const Usage = R"(Usage: kelvatrone-meter [OPTION]...
A simulated Kelvatrone meter on a pseudo-terminal. Prints the device path of the far end
(the port a host opens) on standard output, then answers commands until it is terminated.

  --path-file FILE          also write the device path into FILE
  --state-dir DIR           keep what the meter receives in DIR (transcript.txt, ...)
  --identity TEXT           answer to "*?VE" (default "*VEKV-27 v1.30")
  --after-upgrade-identity TEXT
                            answer to "*?VE" after a restart from the loader (default: the same)
  --boot                    start in the loader: "*?VE" answers "BOOT" until "*RS0"
  --cg-answer TEXT          answer to "*?CG" (default "*CG01")
  --plan-type ch26|ch25     form of the "*CF" channel lines it takes and gives (default ch26)
  --plan-file FILE          start holding the plan of this plan file (repeatable)
  --plans FILE...           the same for every following argument up to the next option
  --loggers DIR             fill the logger slots from DIR/tv.txt and DIR/modem.txt
  --logger-family tv|modem  logger family selected before any "*TL" (default tv)
  --erase-delay MS          a sector erase ("*FE") takes MS milliseconds before its ACK
  --fault FAULT             inject a fault (repeatable), see man kelvatrone-meter:
                              nak|silence|noack|long|short|cut|garbage:PREFIX[:N|N-M|N-]
                              length:LEN:PREFIX[:SEL]  xonxoff[:PREFIX[:SEL]]
                              delay:MS[:PREFIX[:SEL]]  pace[:BAUD]
                              hangup:N  hangup:PREFIX[:SEL]
  --exit-with-parent        end when the process that started the meter ends
  --version                 show the version
  --help                    show this text
)";

int fail(const QString &message)
{
    std::fprintf(stderr, "kelvatrone-meter: %s\n", qPrintable(message));
    return 2;
}

constexpr char CR = 13;

struct Options {
    MeterProfile profile;
    QString pathFile, stateDir, loggersDir;
    QStringList planFiles;
    PlanType planType = PlanType::Ch26;
    LoggerStore::Family family = LoggerStore::Family::Tv;
    FaultSet faults;
    bool exitWithParent = false;
};

// "--plans A B C" stands for "--plan-file A --plan-file B --plan-file C".
QStringList expandPlans(const QStringList &args)
{
    QStringList out;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] != QLatin1String("--plans")) {
            out << args[i];
            continue;
        }
        while (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--")))
            out << QStringLiteral("--plan-file") << args[++i];
    }
    return out;
}

// The options, with Qt's parser. -1 to go on; otherwise the exit status (0 after --help or
// --version, 2 with the reason on standard error).
int parseOptions(const QStringList &arguments, Options &o)
{
    QCommandLineParser parser;
    auto flag = [](const char *name) { return QCommandLineOption(QString::fromLatin1(name)); };
    auto valued = [](const char *name) {
        return QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("VALUE"));
    };
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version = flag("version"), boot = flag("boot"), exitWithParent = flag("exit-with-parent");
    const QCommandLineOption pathFile = valued("path-file"), stateDir = valued("state-dir"),
                             identity = valued("identity"), afterUpgrade = valued("after-upgrade-identity"),
                             cgAnswer = valued("cg-answer"), planType = valued("plan-type"),
                             planFile = valued("plan-file"), loggers = valued("loggers"),
                             loggerFamily = valued("logger-family"), eraseDelay = valued("erase-delay"),
                             fault = valued("fault");
    parser.addOptions({help, version, boot, exitWithParent, pathFile, stateDir, identity, afterUpgrade, cgAnswer,
                       planType, planFile, loggers, loggerFamily, eraseDelay, fault});
    if (!parser.parse(QStringList{QStringLiteral("kelvatrone-meter")} + expandPlans(arguments))) {
        if (!parser.unknownOptionNames().isEmpty())
            return fail(QStringLiteral("unknown option --") + parser.unknownOptionNames().first());
        return fail(arguments.last() + QStringLiteral(" needs a value"));
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unknown argument ") + parser.positionalArguments().first());
    if (parser.isSet(help)) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("kelvatrone-meter v%s\n", KV_VERSION);
        return 0;
    }
    o.profile.startInLoader = parser.isSet(boot);
    o.exitWithParent = parser.isSet(exitWithParent);
    o.pathFile = parser.value(pathFile);
    o.stateDir = parser.value(stateDir);
    if (parser.isSet(identity))
        o.profile.identity = parser.value(identity).toLatin1();
    if (parser.isSet(afterUpgrade))
        o.profile.afterUpgradeIdentity = parser.value(afterUpgrade).toLatin1();
    if (parser.isSet(cgAnswer))
        o.profile.cgAnswer = parser.value(cgAnswer).toLatin1();
    if (parser.isSet(planType)) {
        const QString v = parser.value(planType);
        if (v != QLatin1String("ch26") && v != QLatin1String("ch25"))
            return fail(QStringLiteral("--plan-type is ch26 or ch25"));
        o.planType = v == QLatin1String("ch26") ? PlanType::Ch26 : PlanType::Ch25;
    }
    o.planFiles = parser.values(planFile);
    o.loggersDir = parser.value(loggers);
    if (parser.isSet(loggerFamily)) {
        const QString v = parser.value(loggerFamily);
        if (v != QLatin1String("tv") && v != QLatin1String("modem"))
            return fail(QStringLiteral("--logger-family is tv or modem"));
        o.family = v == QLatin1String("tv") ? LoggerStore::Family::Tv : LoggerStore::Family::Modem;
    }
    if (parser.isSet(eraseDelay)) {
        bool ok = false;
        o.profile.eraseDelayMs = parser.value(eraseDelay).toInt(&ok);
        if (!ok || o.profile.eraseDelayMs < 0)
            return fail(QStringLiteral("--erase-delay needs milliseconds"));
    }
    for (const QString &f : parser.values(fault)) {
        const QString e = o.faults.add(f);
        if (!e.isEmpty())
            return fail(e);
    }
    return -1;
}

}   // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    Options options;
    if (const int status = parseOptions(args, options); status >= 0)
        return status;
    MeterProfile &profile = options.profile;
    const QString &pathFile = options.pathFile, &stateDir = options.stateDir, &loggersDir = options.loggersDir;
    const QStringList &planFiles = options.planFiles;
    const PlanType planType = options.planType;
    const LoggerStore::Family family = options.family;
    FaultSet &faults = options.faults;
    const bool exitWithParent = options.exitWithParent;
#ifdef __linux__
    const pid_t parent = getppid();
    if (exitWithParent) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            return 0;
    }
#endif

    StateFiles files;
    if (!stateDir.isEmpty()) {
        if (!QDir().mkpath(stateDir))
            return fail(QStringLiteral("cannot create the state folder ") + stateDir);
        files.setDir(stateDir);
    }
    Meter meter(profile, files);
    meter.plans().setType(planType);
    for (const QString &p : planFiles) {
        const QString e = meter.plans().loadFile(p);
        if (!e.isEmpty())
            return fail(e);
    }
    if (!loggersDir.isEmpty()) {
        const QString e = meter.loggers().load(loggersDir);
        if (!e.isEmpty())
            return fail(e);
    }
    meter.loggers().select(family);

    Pty pty;
    const std::string err = pty.open();
    if (!err.empty())
        return fail(QString::fromStdString(err));
    pty.setPacing(faults.paceBaud());
    meter.started();

    const QByteArray path = QByteArray::fromStdString(pty.slavePath());
    if (!pathFile.isEmpty()) {
        // Written beside and renamed, so that whoever waits for it never reads half a path.
        QSaveFile f(pathFile);
        if (!f.open(QIODevice::WriteOnly) || f.write(path + '\n') < 0 || !f.commit())
            return fail(QStringLiteral("cannot write ") + pathFile);
    }
    std::printf("%s\n", path.constData());
    std::fflush(stdout);

    std::vector<Pty::Received> received;
    QByteArray line;
    constexpr int MaxLine = 4096;
    for (;;) {
        received.clear();
        if (!pty.receive(received, 500))
            continue;
        if (files.enabled()) {
            // Every byte as it came, flow control and line feeds included: two hosts that send
            // the same are shown to by comparing this file.
            QByteArray raw;
            raw.reserve(qsizetype(received.size()));
            for (const auto &r : received)
                raw.append(r.byte);
            files.appendRaw("received.bin", raw);
        }
        for (const auto &r : received) {
            const char b = r.byte;
            if (b == '\n' || b == 17 || b == 19 || b == 0)
                continue;   // line feeds and flow-control bytes are not part of any command
            if (b != CR) {
                if (line.size() < MaxLine)
                    line.append(b);
                continue;
            }
            if (line.isEmpty())
                continue;   // the second CR of a command that carries its own
            const QByteArray command = line;
            line.clear();
            files.append("transcript.txt", command);
            const FaultDecision d = faults.decide(command);
            if (d.hangup) {
                files.append("events.txt", "HANGUP");
                pty.hangUp();
                // Gone from the line, the meter waits to be ended (SIGTERM, or its parent's
                // end with --exit-with-parent), keeping its pseudo-terminal's number taken.
                for (;;)
                    pause();
            }
            // On a paced line the command is complete only when its CR has come through.
            if (r.arrived > Pty::Clock::now())
                std::this_thread::sleep_until(r.arrived);
            if (d.silence)
                continue;
            Meter::Response resp;
            if (d.nak)
                resp.refused = true;
            else
                resp = meter.handle(command);
            const int wait = d.delayMs + resp.waitMs;
            if (wait > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(wait));
            const bool ackWanted = !command.endsWith('*');
            pty.send(buildReply(d, resp.refused, resp.query, command, resp.answer, ackWanted));
        }
    }
}
