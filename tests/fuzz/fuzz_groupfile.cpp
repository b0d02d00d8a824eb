// Group files (".tx26") as the group editor and the command line read them: any file is read
// without harm, a group never holds more than 10 plans or a plan that is not in the library,
// members are the library's plans in lower case and each once, and a group that was read is
// written and read back the same. Only the core is linked.

#include "FuzzSupport.h"
#include "channelplan/CombinedPlanFile.h"
#include "channelplan/GroupFile.h"
#include "link/ErrorCodes.h"

#include <QFile>

namespace {

// Twelve library plans (more than a group may hold), one of them in capitals.
const QStringList &library()
{
    static const QStringList names = [] {
        QStringList n{QStringLiteral("AB.CH26")};
        for (int i = 1; i < 12; ++i)
            n << QStringLiteral("p%1.ch26").arg(i);
        return n;
    }();
    return names;
}

QStringList readGroup(const QString &path, int &result)
{
    const GroupFile::Contents c = GroupFile::read(path);
    QStringList members;
    GroupFile::Added added;
    if (c.hasFiles && !c.tooLong)
        added = GroupFile::addNames(c.names, library(), members, [](const QString &, const QString &) { return true; });
    result = c.readable ? GroupFile::resultOf(c, added) : 0;
    return members;
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::resetState("KV-27");
    const QString in = fuzz::writeFile(QStringLiteral("in.tx26"), data, size);
    const QString out = fuzz::scratch(QStringLiteral("out.tx26"));

    int result = 0;
    const QStringList members = readGroup(in, result);
    FUZZ_CHECK(result == 0 || result == Err::UnableToOpenFile || result == Err::IncorrectFormatFile
               || result == Err::Limit10Plans);
    FUZZ_CHECK(members.size() <= kMaxGroupPlans);
    for (const QString &m : members) {
        FUZZ_CHECK(m == m.toLower());
        FUZZ_CHECK(library().contains(m, Qt::CaseInsensitive));
        FUZZ_CHECK(members.count(m) == 1);
    }
    if (members.isEmpty())
        return 0;
    FUZZ_CHECK(GroupFile::write(out, members) == 0);
    int again = 0;
    FUZZ_CHECK(readGroup(out, again) == members);
    FUZZ_CHECK(again == 0);
    QFile::remove(out);
    return 0;
}
