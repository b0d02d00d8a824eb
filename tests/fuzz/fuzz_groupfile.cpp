// Group files (".tx26") as the group editor opens them: any file is read without harm, a
// group never holds more than 10 plans or a plan that is not in the library, every member has
// its copy in the temporary folder, and a group that was read is saved and read back the same.

#include "FuzzSupport.h"
#include "channelplan/CombinedPlanFile.h"
#include "channelplan/windows/TNewPlan.h"
#include "link/ErrorCodes.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>


namespace {

// The window needs an application; it runs offscreen and shows nothing.
void setUpOnce()
{
    // Never destroyed: the fuzzer ends the process from inside its own loop, after which the
    // application's widgets could no longer be torn down in order.
    static QApplication *application = nullptr;
    if (application)
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_groupfile";
    static char *argv[] = {name, nullptr};
    application = new QApplication(argc, argv);
    // Twelve library plans (more than a group may hold), one of them in capitals.
    QDir(fuzz::scratchPath()).mkpath(QStringLiteral("lib"));
    QDir(fuzz::scratchPath()).mkpath(QStringLiteral("tmp"));
    const QByteArray plan = "#=====================================\r\n:  CONTROL REMOT PROGRAM\r\n"
                            "#=====================================\r\nCHANNEL PLAN(1)\r\nCHANNEL8(AB,,,,1,1)\r\n"
                            "ORDER(1)\r\n[CHANNELS_OFFSET]\r\n"
                            "1,C21,471.25,474.00,0.0,8.0,ON,DIGITAL,6875,DVB,QAM64,AUTO,PAL/BG\r\n";
    for (int i = 0; i < 12; ++i) {
        const QString name = i == 0 ? QStringLiteral("lib/AB.CH26") : QStringLiteral("lib/p%1.ch26").arg(i);
        fuzz::writeFile(name, plan);
    }
}

QStringList readGroup(const QString &path, int &result)
{
    TNewPlan window;
    window.FillLibrary();
    result = window.readGroupFile(path);
    const QStringList members = window.members();
    for (const QString &m : members)
        FUZZ_CHECK(QFile::exists(window.memberCopy(m)));
    return members;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::resetState("KV-27");
    setUpOnce();
    app().libraryFolder = fuzz::scratch(QStringLiteral("lib"));
    app().tempFolder = fuzz::scratch(QStringLiteral("tmp"));
    const QString in = fuzz::writeFile(QStringLiteral("in.tx26"), data, size);
    const QString out = fuzz::scratch(QStringLiteral("out.tx26"));

    QStringList members;
    int result = 0;
    {
        TNewPlan window;
        const int libraryCount = window.FillLibrary();
        FUZZ_CHECK(libraryCount == 12);
        result = window.readGroupFile(in);
        FUZZ_CHECK(result == 0 || result == Err::UnableToOpenFile || result == Err::IncorrectFormatFile
                   || result == Err::Limit10Plans);
        members = window.members();
        FUZZ_CHECK(members.size() <= kMaxGroupPlans);
        for (const QString &m : members) {
            FUZZ_CHECK(QFile::exists(window.memberCopy(m)));
            FUZZ_CHECK(m == m.toLower());
            FUZZ_CHECK(m == QLatin1String("ab.ch26") || QDir(app().libraryFolder).exists(m));
        }
        if (!members.isEmpty()) {
            FUZZ_CHECK(window.writeGroupFile(out) == 0);
        }
    }
    // The window's copies go with it.
    FUZZ_CHECK(QDir(app().tempFolder).entryList(QDir::Files).isEmpty());
    if (members.isEmpty())
        return 0;
    int again = 0;
    FUZZ_CHECK(readGroup(out, again) == members);
    FUZZ_CHECK(again == 0);
    FUZZ_CHECK(QDir(app().tempFolder).entryList(QDir::Files).isEmpty());
    return 0;
}
