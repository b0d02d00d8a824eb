// The team archive against a real PostgreSQL server of the test's own: first and repeated
// synchronisations, two laptops (workspaces) at once, a deletion travelling and coming back,
// a synchronisation killed at random moments then completed, the server stopped part-way, a
// wrong password, a server out of reach, and a server schema newer or damaged.

#include "ArchiveSamples.h"
#include "CliRun.h"
#include "PgServer.h"
#include "TestWorkspace.h"

#include "archive/Archive.h"
#include "archive/Capture.h"
#include "archive/Team.h"
#include "archive/windows/ArchiveWindow.h"
#include "archive/windows/TeamWindow.h"
#include "link/ErrorCodes.h"
#include "ScriptedPrompter.h"
#include "TestData.h"
#include "app/AppState.h"
#include "app/StringTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <csignal>

namespace {

// A laptop: a workspace with its archive.
struct Laptop {
    TestWorkspace ws{false};
    QString db() const { return ws.path(QStringLiteral("archive.sqlite")); }

    void addLoggers(int n, const QString &place, int offset = 0)
    {
        for (int i = 0; i < n; ++i) {
            const int k = i + offset;
            ws.write(QStringLiteral("in/%1.lg27t").arg(k, 4, 10, QLatin1Char('0')),
                     tvLoggerOfSize(20, place, QStringLiteral("%1/%2/26").arg(k % 28 + 1).arg(k / 28 % 12 + 1),
                                    40 + k % 13));
        }
        const Archive::ImportResult r = Archive::importFiles({ws.path(QStringLiteral("in"))}, {}, nullptr, db());
        QVERIFY2(r.code == 0, qPrintable(r.detail));
    }
    QList<Archive::Summary> list(bool deleted = false) const
    {
        Archive::Store s;
        s.open(db());
        Archive::Filter f;
        f.deleted = deleted;
        QList<Archive::Summary> out;
        s.list(f, out);
        return out;
    }
    QStringList digests() const
    {
        QStringList d;
        for (const Archive::Summary &e : list())
            d << e.sha256;
        for (const Archive::Summary &e : list(true))
            d << e.sha256;
        d.sort();
        return d;
    }
};

}   // namespace

class TestTeamArchive : public QObject {
    Q_OBJECT

    std::unique_ptr<PgServer> pg;
    Team::Settings settings;
    QString password;

    Team::SyncResult sync(const Laptop &l, const QString &pw = QString())
    {
        return Team::synchronise(settings, pw.isEmpty() ? password : pw, {}, nullptr, l.db());
    }
    int serverCount(const QString &table)
    {
        QString out;
        if (!pg->psql(QStringLiteral("SELECT count(*) FROM %1").arg(table), &out))
            return -1;
        return out.trimmed().toInt();
    }
    CliRun cliSync(const Laptop &l, const QString &url)
    {
        return runCli({QStringLiteral("--workspace"), l.ws.root(), QStringLiteral("archive"), QStringLiteral("sync"),
                       QStringLiteral("--server"), url},
                      l.ws.root(), 120000);
    }

private Q_SLOTS:
    void init()
    {
        pg = std::make_unique<PgServer>();
        if (!pg->start())
            QSKIP(qPrintable(pg->reason()));
        QVERIFY(Team::parseUrl(pg->url(), settings, password));
        settings.tls = QStringLiteral("disable");
    }
    void cleanup() { pg.reset(); }

    // The first synchronisation makes the schema and sends everything; a second changes
    // nothing; another laptop fetches it all, a logger deleted before it was sent excepted.
    void firstAndRepeated()
    {
        Laptop a, b;
        a.addLoggers(30, QStringLiteral("ROOF"));
        {
            Archive::Store s;
            QCOMPARE(s.open(a.db()), 0);
            QCOMPARE(s.remove(a.list().first().id), 0);
        }
        Team::SyncResult r = sync(a);
        QVERIFY2(r.code == 0, qPrintable(r.detail));
        QCOMPARE(r.counts.sent, 30);
        QCOMPARE(r.counts.arrivalsSent, 30);
        QCOMPARE(serverCount(QStringLiteral("kv_entries")), 30);
        QCOMPARE(serverCount(QStringLiteral("kv_marks")), 1);

        r = sync(a);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.counts.sent + r.counts.fetched + r.counts.arrivalsSent + r.counts.arrivalsFetched
                     + r.counts.marksSent + r.counts.marksFetched,
                 0);

        r = sync(b);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.counts.fetched, 29);
        QCOMPARE(b.list().size(), 29);
        // What came is whole: its measurements as here, its arrival with who and where.
        Archive::Store s;
        QCOMPARE(s.open(b.db()), 0);
        Archive::Entry e;
        QCOMPARE(s.entry(b.list().first().id, e), 0);
        QCOMPARE(e.summary.channels, 20);
        QCOMPARE(e.arrivals.size(), 1);
        QCOMPARE(e.arrivals[0].origin, Archive::Origin::Imported);
        QCOMPARE(e.arrivals[0].machine, Team::machineName());
        QVERIFY(!Team::lastSynchronisation(b.db()).isEmpty());
    }

    // An entry of the server whose bytes no viewer opens, known there only as an imported file,
    // is not taken, and stops neither the rest nor the next synchronisation.
    void refusedBytesDoNotStopTheRest()
    {
        Laptop a, b;
        a.addLoggers(4, QStringLiteral("GARAGE"));
        QCOMPARE(sync(a).code, 0);
        const QString sha = a.list().first().sha256;
        const QString bad = QStringLiteral("encode(sha256('not a logger'::bytea), 'hex')");
        QVERIFY(pg->psql(QStringLiteral("INSERT INTO kv_entries SELECT %1, 'not a logger'::bytea, family, complete,"
                                        " NULL, first_at, location, measured_at, technician, machine, now()"
                                        " FROM kv_entries WHERE sha256 = '%2';"
                                        "INSERT INTO kv_arrivals SELECT uid || '-bad', %1, at, origin, slot, model,"
                                        " identity, port, device, source, technician, machine"
                                        " FROM kv_arrivals WHERE sha256 = '%2'")
                             .arg(bad, sha)));
        QCOMPARE(serverCount(QStringLiteral("kv_entries")), 5);
        Team::SyncResult r = sync(b);
        QVERIFY2(r.code == 0, qPrintable(r.detail));
        QCOMPARE(r.counts.fetched, 4);
        QCOMPARE(r.counts.refused, 1);
        QCOMPARE(b.list().size(), 4);
        QVERIFY(Team::countsText(r.counts).endsWith(QStringLiteral("; 1 not taken: the viewers refuse their files")));
        r = sync(b);
        QVERIFY2(r.code == 0, qPrintable(r.detail));
        QCOMPARE(r.counts.refused, 1);
        QCOMPARE(b.list().size(), 4);
    }

    // A deletion travels to the other laptop, stays restorable there, and a restoration made
    // later travels back.
    void deletionTravels()
    {
        Laptop a, b;
        a.addLoggers(5, QStringLiteral("HALL"));
        QCOMPARE(sync(a).code, 0);
        QCOMPARE(sync(b).code, 0);
        const QString sha = a.list().first().sha256;
        {
            Archive::Store s;
            QCOMPARE(s.open(a.db()), 0);
            QCOMPARE(s.remove(s.findBySha(sha)), 0);
        }
        QCOMPARE(sync(a).counts.marksSent, 1);
        QCOMPARE(sync(b).counts.marksFetched, 1);
        QCOMPARE(b.list().size(), 4);
        QCOMPARE(b.list(true).size(), 1);
        QCOMPARE(b.list(true).first().sha256, sha);

        QTest::qWait(1100);   // marks are dated to the second
        {
            Archive::Store s;
            QCOMPARE(s.open(b.db()), 0);
            QCOMPARE(s.restore(s.findBySha(sha)), 0);
        }
        QCOMPARE(sync(b).counts.marksSent, 1);
        QCOMPARE(sync(a).counts.marksFetched, 1);
        QCOMPARE(a.list().size(), 5);
    }

    // The same bytes received again on one laptop: the new arrival reaches the other.
    void newArrivalsTravel()
    {
        Laptop a, b;
        a.addLoggers(3, QStringLiteral("SHOP"));
        QCOMPARE(sync(a).code, 0);
        QCOMPARE(sync(b).code, 0);
        const QString again =
            a.ws.write(QStringLiteral("Temp/temp00.lg27t"), a.ws.read(QStringLiteral("in/0000.lg27t")));
        QCOMPARE(
            Archive::captureReceived(again, LoggerFamily::Tv, 0, true, QStringLiteral("/dev/ttyUSB0"), a.db()).code, 0);
        QCOMPARE(sync(a).counts.arrivalsSent, 1);
        QCOMPARE(sync(b).counts.arrivalsFetched, 1);
        Archive::Store s;
        QCOMPARE(s.open(b.db()), 0);
        Archive::Entry e;
        QCOMPARE(s.entry(s.findBySha(Archive::digest(a.ws.read(QStringLiteral("in/0000.lg27t")))), e), 0);
        QCOMPARE(e.arrivals.size(), 2);
        QCOMPARE(e.arrivals[1].device, QStringLiteral("/dev/ttyUSB0"));
    }

    // Two laptops at once, a third of their loggers the same: both end with all, nothing twice.
    void twoLaptopsAtOnce()
    {
        Laptop a, b;
        a.addLoggers(150, QStringLiteral("NORTH"));
        b.addLoggers(150, QStringLiteral("NORTH"), 100);   // 100..249: 50 in common
        QProcess one, two;
        for (auto [p, l] : {std::pair{&one, &a}, std::pair{&two, &b}}) {
            p->setWorkingDirectory(l->ws.root());
            p->start(QStringLiteral(KV_CLI_PATH),
                     {QStringLiteral("--workspace"), l->ws.root(), QStringLiteral("archive"), QStringLiteral("sync"),
                      QStringLiteral("--server"), pg->url()});
        }
        QVERIFY(one.waitForFinished(120000) && two.waitForFinished(120000));
        QVERIFY2(one.exitCode() == 0, one.readAllStandardError().constData());
        QVERIFY2(two.exitCode() == 0, two.readAllStandardError().constData());
        // Each fetches what the other sent after its own look at the server: once more each.
        QCOMPARE(sync(a).code, 0);
        QCOMPARE(sync(b).code, 0);
        QCOMPARE(serverCount(QStringLiteral("kv_entries")), 250);
        QCOMPARE(a.digests(), b.digests());
        QCOMPARE(a.digests().size(), 250);
        QCOMPARE(a.digests().removeDuplicates(), 0);
    }

    // A synchronisation killed at random moments: both sides stay whole, and the next run
    // completes it; the other laptop then gets everything.
    void killedThenCompleted()
    {
        Laptop a, b;
        a.addLoggers(400, QStringLiteral("TOWER"));
        QRandomGenerator random(QRandomGenerator::global()->generate());
        int kills = 0;
        for (int round = 0; round < 6; ++round) {
            QProcess p;
            p.start(QStringLiteral(KV_CLI_PATH), {QStringLiteral("--workspace"), a.ws.root(), QStringLiteral("archive"),
                                                  QStringLiteral("sync"), QStringLiteral("--server"), pg->url()});
            QVERIFY(p.waitForStarted());
            QThread::msleep(random.bounded(50, 900));
            if (p.state() == QProcess::Running) {
                ::kill(pid_t(p.processId()), SIGKILL);
                ++kills;
            }
            p.waitForFinished();
            // Killed before the schema was made (in one transaction): nothing on the server yet.
            QString out;
            QVERIFY(pg->psql(QStringLiteral("SELECT to_regclass('kv_entries') IS NOT NULL"), &out));
            if (out.trimmed() != QLatin1String("t"))
                continue;
            // Every entry on the server has its arrival, and its bytes are those its name says.
            QVERIFY(pg->psql(QStringLiteral("SELECT count(*) FROM kv_entries e WHERE NOT EXISTS"
                                            " (SELECT 1 FROM kv_arrivals a WHERE a.sha256 = e.sha256)"
                                            " OR encode(sha256(e.bytes), 'hex') <> e.sha256"),
                             &out));
            QCOMPARE(out.trimmed(), QStringLiteral("0"));
        }
        QVERIFY2(kills > 0, "every synchronisation ended before it could be killed");
        const CliRun r = cliSync(a, pg->url());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(serverCount(QStringLiteral("kv_entries")), 400);
        QCOMPARE(sync(b).counts.fetched, 400);
        QCOMPARE(b.list().size(), 400);
        Archive::Store s;
        QCOMPARE(s.open(a.db(), Archive::Check::Quick), 0);
        QCOMPARE(s.checkIntegrity(), 0);
    }

    // The server stopped part-way (after the first batch fetched): a clear message, the laptop's
    // archive whole with what came, and the next run, the server back, completes it.
    void serverStoppedPartWay()
    {
        Laptop a, b;
        a.addLoggers(400, QStringLiteral("DEPOT"));
        QCOMPARE(sync(a).code, 0);
        bool stopped = false;
        const Team::SyncResult cut = Team::synchronise(
            settings, password,
            [&](int done, int) {
                if (done > 0 && !stopped) {
                    pg->stop(true);
                    stopped = true;
                }
            },
            nullptr, b.db());
        QVERIFY(stopped);
        QCOMPARE(cut.code, Err::ServerUnreachable);
        QVERIFY2(Team::failureText(cut.code, cut.detail)
                     .startsWith(QStringLiteral("Error : The team archive's server cannot be reached")),
                 qPrintable(Team::failureText(cut.code, cut.detail)));
        QCOMPARE(cut.counts.fetched, Team::kBatch);
        QCOMPARE(b.list().size(), Team::kBatch);
        Archive::Store s;
        QCOMPARE(s.open(b.db(), Archive::Check::Quick), 0);
        QCOMPARE(s.checkIntegrity(), 0);
        s.close();

        QVERIFY(pg->restart());
        const Team::SyncResult r = sync(b);
        QVERIFY2(r.code == 0, qPrintable(r.detail));
        QCOMPARE(r.counts.fetched, 400 - Team::kBatch);
        QCOMPARE(b.list().size(), 400);
    }

    // Cancel between batches: what came is kept whole, and the next run completes it.
    void cancelThenCompleted()
    {
        Laptop a, b;
        a.addLoggers(250, QStringLiteral("YARD"));
        std::atomic<bool> cancel{false};
        const Team::SyncResult cut = Team::synchronise(
            settings, password, [&](int done, int) { cancel.store(done > 0); }, &cancel, a.db());
        QCOMPARE(cut.code, Err::UserBreak);
        QCOMPARE(cut.counts.sent, Team::kBatch);
        QCOMPARE(serverCount(QStringLiteral("kv_entries")), Team::kBatch);
        const Team::SyncResult rest = sync(a);
        QCOMPARE(rest.code, 0);
        QCOMPARE(rest.counts.sent, 250 - Team::kBatch);
        QCOMPARE(sync(b).counts.fetched, 250);
    }

    // A wrong password, a server out of reach, a newer and a damaged schema: each said in the
    // language, and the laptop's archive untouched.
    void refusals()
    {
        Laptop a;
        a.addLoggers(3, QStringLiteral("X"));
        const QStringList before = a.digests();

        CliRun r = cliSync(a, pg->url(QStringLiteral("wrong")));
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("The server refused the user or the password")), qPrintable(r.err));
        QCOMPARE(r.out.trimmed(), QStringLiteral("0 sent, 0 fetched"));

        r = runCli({QStringLiteral("--workspace"), a.ws.root(), QStringLiteral("--lang"), QStringLiteral("es"),
                    QStringLiteral("archive"), QStringLiteral("sync"), QStringLiteral("--server"),
                    QStringLiteral("postgresql://kv:x@127.0.0.1:1/team")},
                   a.ws.root());
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("No se puede conectar con el servidor")), qPrintable(r.err));

        QCOMPARE(cliSync(a, pg->url()).status, 0);
        QVERIFY(pg->psql(QStringLiteral("UPDATE kv_meta SET value = '9' WHERE key = 'schema_version'")));
        r = cliSync(a, pg->url());
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("made by a newer version")), qPrintable(r.err));
        QString detail;
        QCOMPARE(Team::testConnection(settings, password, detail), Err::ServerNewer);

        QVERIFY(pg->psql(QStringLiteral("UPDATE kv_meta SET value = '1' WHERE key = 'schema_version';"
                                        " ALTER TABLE kv_marks DROP COLUMN changed_at")));
        r = cliSync(a, pg->url());
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("The team archive on the server is damaged")), qPrintable(r.err));
        QCOMPARE(a.digests(), before);

        r = runCli({QStringLiteral("--workspace"), a.ws.root(), QStringLiteral("archive"), QStringLiteral("sync"),
                    QStringLiteral("--server"), QStringLiteral("http://example")},
                   a.ws.root());
        QCOMPARE(r.status, 2);
    }

    // The windows: the settings window writes team.stg and tests the connection, asking for the
    // password once a run; the archive window's Synchronise asks for it when libpq has none,
    // shows the counts, and the table holds what came.
    void windows()
    {
        Laptop a;
        a.addLoggers(12, QStringLiteral("ROOF"));
        QCOMPARE(sync(a).code, 0);
        Laptop b;   // the program's workspace from here on
        QCOMPARE(app().programFolder, b.ws.root());
        teamPassword().clear();
        ScriptedPrompter prompts;
        {
            TTeamArchive w;
            w.show();
            w.Servidor->setText(pg->host());
            w.Port->setText(QString::number(pg->port()));
            w.BaseDades->setText(pg->database());
            w.Usuari->setText(pg->user());
            w.Tls->setCurrentText(QStringLiteral("disable"));
            w.Tecnic->setText(QStringLiteral("Jordi"));
            QCOMPARE(w.Darrera->text(), QStringLiteral("Never"));
            prompts.expectPassword(QStringLiteral("wrong"));
            prompts.expectMessage();
            w.TestClick();
            QVERIFY2(prompts.messageTexts().last().contains(QStringLiteral("refused the user or the password")),
                     qPrintable(prompts.messageTexts().last()));
            prompts.expectPassword(password);
            prompts.expectMessage();
            w.TestClick();
            QCOMPARE(prompts.messageTexts().last(), QStringLiteral("The connection works."));
            QCOMPARE(teamPassword(), password);
            w.accept();
        }
        QCOMPARE(Team::readSettings().technician, QStringLiteral("Jordi"));
        QVERIFY(!b.ws.read(QStringLiteral("team.stg")).contains(password.toUtf8()));

        // Synchronise: the password of this run is not asked again.
        teamPassword().clear();
        TArchive w(nullptr, b.db());
        QVERIFY(w.load());
        w.show();
        QCOMPARE(w.shownCount(), 0);
        prompts.expectPassword(password);
        prompts.expectMessage();
        w.SyncClick();
        w.waitForSync();
        w.waitForSync();
        QCOMPARE(prompts.messageTexts().last(), QStringLiteral("0 sent, 12 fetched"));
        QCOMPARE(w.shownCount(), 12);
        prompts.expectMessage();
        w.SyncClick();
        w.waitForSync();
        QCOMPARE(prompts.messageTexts().last(), QStringLiteral("0 sent, 0 fetched"));
        QCOMPARE(prompts.pending(), 0);
        QVERIFY(!prompts.unexpected);
    }

    // The settings window's texts fit in every language.
    void settingsWindowTexts()
    {
        Laptop a;
        static const char *const names[] = {"en", "es", "de", "ca"};
        for (int l = 0; l < 4; ++l) {
            StringTable::setLanguage(l);
            TTeamArchive w;
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            for (auto *label : w.findChildren<QLabel *>())
                QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                         qPrintable(label->text()));
            for (auto *button : w.findChildren<QPushButton *>())
                QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) <= button->width(),
                         qPrintable(button->text()));
            saveScreenshot(&w, QStringLiteral("team-archive-%1").arg(QLatin1String(names[l])));
        }
        StringTable::setLanguage(0);
    }

    // The settings file: written and read back, a password never in it.
    void settingsFile()
    {
        Laptop a;
        Team::Settings s = settings;
        s.technician = QStringLiteral("Núria Puig");
        QCOMPARE(Team::writeSettings(s, a.ws.path(QStringLiteral("team.stg"))), 0);
        const Team::Settings back = Team::readSettings(a.ws.path(QStringLiteral("team.stg")));
        QCOMPARE(back.host, s.host);
        QCOMPARE(back.port, s.port);
        QCOMPARE(back.database, s.database);
        QCOMPARE(back.user, s.user);
        QCOMPARE(back.tls, QStringLiteral("disable"));
        QCOMPARE(back.technician, QStringLiteral("Núria Puig"));
        QVERIFY(!a.ws.read(QStringLiteral("team.stg")).contains(password.toUtf8()));
        QString detail;
        QCOMPARE(Team::testConnection(back, password, detail), 0);
        QCOMPARE(Team::testConnection(back, QStringLiteral("nope"), detail), Err::ServerPassword);
    }
};

QTEST_MAIN(TestTeamArchive)
#include "tst_teamarchive.moc"
