// Why a port did not open, as each system tells it: a port that is not there is "missing" both
// before an open is tried and after one failed, and something that is no serial port is never
// taken for one. On Windows the reasons come from the system's own device names and error
// codes; elsewhere from the device files.
#include "link/PortFailure.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A port of this system's kind that no machine has.
QString absentPort()
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM39");
#else
    return QStringLiteral("/dev/ttyKV-absent");
#endif
}

}   // namespace

class TestPortReasons : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void absentPortIsMissing()
    {
        const QString port = absentPort();
        PortFailure before = PortDiagnosis::beforeOpen(port, port);
        QCOMPARE(before.kind, PortFailure::Kind::Missing);
        QCOMPARE(before.device, port);
        PortFailure after = PortDiagnosis::afterFailedOpen(port, port, QStringLiteral("the system's text"));
        QCOMPARE(after.kind, PortFailure::Kind::Missing);
        QCOMPARE(after.systemText, QStringLiteral("the system's text"));
        QCOMPARE(PortDiagnosis::heldElsewhere(port, port).kind, PortFailure::Kind::None);
    }

    // A plain file named as the port opens, but it is no serial port: said so, never "busy".
    void plainFileIsNoSerialPort()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("not-a-port"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.close();
#ifdef Q_OS_WIN
        // On Windows a path with a folder is never a COM port's name: the open says why.
        const QString device = QStringLiteral("\\\\.\\") + QDir::toNativeSeparators(path);
#else
        const QString device = path;
        QCOMPARE(PortDiagnosis::beforeOpen(path, device).kind, PortFailure::Kind::NotTerminal);
#endif
        const PortFailure after = PortDiagnosis::afterFailedOpen(path, device, QString());
        QVERIFY2(after.kind != PortFailure::Kind::Busy && after.kind != PortFailure::Kind::BusyHere,
                 qPrintable(QString::number(int(after.kind))));
    }
};

QTEST_GUILESS_MAIN(TestPortReasons)
#include "tst_portreasons.moc"
