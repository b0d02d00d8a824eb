#include "channelplan/GroupFile.h"

#include "app/Files.h"
#include "channelplan/CombinedPlanFile.h"
#include "channelplan/PlanFile.h"
#include "link/ErrorCodes.h"

namespace GroupFile {

namespace {
const QString kRule = QStringLiteral("#=====================================");
const QString kFiles = QStringLiteral("[FILES]");
const QString kEnd = QStringLiteral("[END]");
}   // namespace

Contents read(const QString &path)
{
    Contents c;
    QStringList lines;
    // One line more than a group file may have, to know that it has too many.
    if (!readLeadingLines(path, kMaxLines + 1, lines))
        return c;
    c.readable = true;
    // "[END]" ends the reading: lines after it (notes, a second list) are never read, so they
    // do not count towards the limit.
    for (int i = 0; i < lines.size(); ++i) {
        if (lines.at(i).startsWith(kEnd)) {
            if (i < kMaxLines)
                lines = lines.mid(0, i + 1);
            break;
        }
    }
    if (lines.size() > kMaxLines) {
        // The 51st line stops the reading. The names met so far do not count: a group read
        // halfway is no group.
        c.tooLong = true;
        for (int i = 0; i < kMaxLines; ++i)
            c.hasFiles = c.hasFiles || lines.at(i).startsWith(kFiles);
        return c;
    }
    bool inList = false;
    for (const QString &line : lines) {
        if (line.startsWith(kFiles)) {
            c.names.clear();
            inList = c.hasFiles = true;
            continue;
        }
        if (line.startsWith(kEnd))
            break;
        const QString name = line.trimmed();
        if (inList && !name.isEmpty())
            c.names << name;
    }
    return c;
}

Added addNames(const QStringList &names, const QStringList &libraryFiles, QStringList &members,
               const std::function<bool(const QString &, const QString &)> &place)
{
    Added a;
    for (const QString &name : names) {
        QString match;
        for (const QString &f : libraryFiles) {
            if (f.compare(name, Qt::CaseInsensitive) == 0) {
                match = f;
                break;
            }
        }
        if (match.isEmpty())
            continue;   // no longer in the library: left out
        const QString member = name.toLower();
        if (members.contains(member, Qt::CaseInsensitive))
            continue;
        if (members.size() >= kMaxGroupPlans) {
            a.tooMany = true;
            continue;
        }
        if (!place(member, match)) {
            ++a.failedCopies;
            continue;
        }
        members << member;
    }
    return a;
}

int resultOf(const Contents &c, const Added &added)
{
    if (c.tooLong)
        return Err::UnableToOpenFile;
    // A file without the member list is not a group file (an end without "[END]" is fine:
    // the members read so far are the group).
    if (!c.hasFiles)
        return Err::IncorrectFormatFile;
    if (added.failedCopies > 0)
        return Err::UnableToOpenFile;
    return added.tooMany ? Err::Limit10Plans : 0;
}

QByteArray bytes(const QStringList &members)
{
    QByteArray out;
    for (const QString &l : QStringList{kRule, QStringLiteral("Kelvatrone :  CONTROL REMOT PROGRAM"), kRule,
                                        QStringLiteral("[CHANNEL PLANS]"), kFiles})
        out += toLatin1Text(l) + "\r\n";
    for (const QString &n : members)
        out += toLatin1Text(n) + "\r\n";
    out += toLatin1Text(kEnd);   // the group file's last line has no line break
    return out;
}

int write(const QString &path, const QStringList &members)
{
    if (members.isEmpty())
        return Err::NoChannelPlan;
    if (members.size() > kMaxGroupPlans)
        return Err::Limit10Plans;
    return writeBytesAtomicallyCode(path, bytes(members));
}

}   // namespace GroupFile
