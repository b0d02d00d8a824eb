#include "Meter.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <thread>

QFile *StateFiles::file(const char *name, bool truncate) const
{
    auto &slot = open[QByteArray(name)];
    if (truncate || !slot) {
        slot = std::make_shared<QFile>(QDir(dir).filePath(QString::fromLatin1(name)));
        if (!slot->open(QIODevice::WriteOnly | (truncate ? QIODevice::Truncate : QIODevice::Append)))
            return nullptr;
    }
    return slot.get();
}

void StateFiles::append(const char *name, const QByteArray &line) const
{
    if (dir.isEmpty())
        return;
    // Kept open and flushed after every line: a test reads the file while the meter runs.
    if (QFile *f = file(name, false)) {
        f->write(line + '\n');
        f->flush();
    }
}

void StateFiles::appendRaw(const char *name, const QByteArray &bytes) const
{
    if (dir.isEmpty())
        return;
    if (QFile *f = file(name, false)) {
        f->write(bytes);
        f->flush();
    }
}

void StateFiles::truncate(const char *name) const
{
    if (!dir.isEmpty())
        file(name, true);
}

void StateFiles::replace(const char *name, const QList<QByteArray> &lines) const
{
    if (dir.isEmpty())
        return;
    QSaveFile f(QDir(dir).filePath(QString::fromLatin1(name)));
    if (!f.open(QIODevice::WriteOnly))
        return;
    for (const auto &l : lines)
        f.write(l + '\n');
    f.commit();
}

Meter::Meter(const MeterProfile &p, StateFiles &f) : profile(p), files(f)
{
    identity = profile.identity;
    loader = profile.startInLoader;
}

void Meter::started()
{
    files.truncate("transcript.txt");
    files.truncate("received.bin");
    files.truncate("plans-received.txt");
    files.truncate("firmware.txt");
    files.truncate("events.txt");
    files.replace("plans-held.txt", planStore.heldLines());
    event(loader ? "START LOADER" : "START");
}

void Meter::event(const QByteArray &text) const
{
    files.append("events.txt", text);
}

Meter::Response Meter::handle(const QByteArray &command)
{
    if (!command.startsWith('*') || command.size() < 2)
        return refusal();
    QByteArray c = command;
    // A final "*" only tells the meter not to acknowledge; a firmware line is kept whole.
    if (c.size() > 2 && c.endsWith('*') && !c.startsWith("*SX"))
        c.chop(1);
    return c[1] == '?' ? query(c) : order(c);
}

Meter::Response Meter::query(const QByteArray &c)
{
    Response r;
    r.query = true;
    const QByteArray code = c.left(4);
    const QByteArray args = c.mid(4);
    bool ok = true;
    if (c == "*?VE") {
        r.answer = loader ? QByteArray("BOOT") : identity;
    } else if (loader) {
        ok = false;
    } else if (c == "*?CG") {
        r.answer = profile.cgAnswer;
    } else if (c == "*?PN") {
        r.answer = planStore.countAnswer();
    } else if (code == "*?CS") {
        ok = planStore.nameAnswer(args, r.answer);
    } else if (code == "*?CW") {
        ok = planStore.channelCountAnswer(args, r.answer);
    } else if (code == "*?CF") {
        ok = planStore.channelAnswer(args, r.answer);
    } else if (code == "*?HL") {
        ok = loggerStore.headerAnswer(args, r.answer);
    } else if (code == "*?HD") {
        ok = loggerStore.detailAnswer(args, r.answer);
    } else {
        ok = false;
    }
    if (!ok)
        return refusal();
    return r;
}

Meter::Response Meter::order(const QByteArray &c)
{
    Response r;
    const QByteArray code = c.left(3);
    const QByteArray args = c.mid(3);
    bool ok = false;
    bool planOrder = false;

    if (code == "*RS") {
        if (args == "2") {
            loader = true;
            files.truncate("firmware.txt");
            event("RESTART LOADER");
            ok = true;
        } else if (args == "0") {
            if (loader) {
                loader = false;
                if (!profile.afterUpgradeIdentity.isEmpty())
                    identity = profile.afterUpgradeIdentity;
                event("RESTART FROM LOADER");
            } else {
                event("RESTART");
            }
            files.replace("plans-held.txt", planStore.heldLines());
            ok = true;
        }
    } else if (code == "*FE") {
        bool num = false;
        const int sector = args.toInt(&num);
        if (loader && num && sector >= 0) {
            r.waitMs = profile.eraseDelayMs;
            event("ERASE " + QByteArray::number(sector));
            ok = true;
        }
    } else if (code == "*SX") {
        if (loader) {
            files.append("firmware.txt", args);
            ok = true;
        }
    } else if (loader) {
        ok = false;
    } else if (c == "*TL1") {
        loggerStore.select(LoggerStore::Family::Modem);
        ok = true;
    } else if (c == "*TL2") {
        loggerStore.select(LoggerStore::Family::Tv);
        ok = true;
    } else if (code == "*FL" || code == "*FS") {
        // Whatever follows is taken: the tests that pace the line send "*FS" lines of any length.
        ok = planOrder = true;
    } else if (c == "*EP") {
        ok = planOrder = planStore.erase();
    } else if (code == "*PN") {
        ok = planOrder = planStore.setCount(args);
    } else if (code == "*CS") {
        ok = planOrder = planStore.setName(args);
    } else if (code == "*CW") {
        ok = planOrder = planStore.setChannelCount(args);
    } else if (code == "*CF") {
        ok = planOrder = planStore.setChannel(args);
    } else if (code == "*PM") {
        ok = planOrder = true;
        files.replace("plans-held.txt", planStore.heldLines());
    }
    if (planOrder)
        files.append("plans-received.txt", c);
    if (!ok)
        return refusal();
    return r;
}
