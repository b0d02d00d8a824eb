#include "link/PortSearch.h"

#include "app/Identification.h"
#include "link/CommandLink.h"
#include "link/ErrorCodes.h"
#include "link/PortTable.h"

#include <QThread>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// One port of a search: its worker thread opens the port, asks it, and closes it again.
struct Probe {
    int number = 0;
    QString device;
    bool skipped = false;
    // Written by the worker under the search's lock:
    bool openKnown = false;
    bool opened = false;
    PortFailure failure;
    bool done = false;
    int result = Err::NotRecognized;
    QByteArray answer;
    // The worker and the means to stop it.
    PortInterrupt stop;
    std::unique_ptr<QThread> thread;
};

class Search {
public:
    Search(int timeout, PortSearchHost &searchHost) : timeoutMs(timeout), host(searchHost) {}
    ~Search() { stopAll(); }

    void add(int number, const QString &device, bool skip)
    {
        auto p = std::make_unique<Probe>();
        p->number = number;
        p->device = device;
        p->skipped = skip;
        if (skip)
            p->openKnown = p->done = true;
        probes.push_back(std::move(p));
    }

    void startAll()
    {
        for (auto &p : probes) {
            if (p->skipped)
                continue;
            Probe *probe = p.get();
            p->thread.reset(QThread::create([this, probe] { run(*probe); }));
            p->thread->start();
        }
    }

    PortSearchResult decide();

    // Stops every probe still running and waits until its port is closed.
    void stopAll()
    {
        for (auto &p : probes)
            p->stop.trigger();
        for (auto &p : probes)
            if (p->thread) {
                p->thread->wait();
                p->thread.reset();
            }
    }

private:
    void run(Probe &probe)
    {
        SerialPort port;
        port.SetTimeout(timeoutMs);
        port.setInterrupt(&probe.stop);
        // A device another program has open is not asked: it would read the answer, or take
        // the query for its own.
        const PortFailure held = PortDiagnosis::heldElsewhere(QString::number(probe.number), probe.device);
        const bool opened = !held.failed() && port.Open(probe.device) == 0;
        {
            std::lock_guard<std::mutex> l(lock);
            probe.openKnown = true;
            probe.opened = opened;
            probe.failure = held.failed() ? held : port.lastFailure();
        }
        changed.notify_all();
        int result = Err::NotRecognized;
        QByteArray answer;
        if (opened) {
            result = CommandLink::TransactWithRetry(port, Cmd::askVersion(), answer, 2);
            port.Close();
        }
        {
            std::lock_guard<std::mutex> l(lock);
            probe.result = result;
            probe.answer = answer;
            probe.done = true;
        }
        changed.notify_all();
    }

    // Waits until pred holds; false when the host asks to stop first.
    template <class Pred>
    bool waitFor(Pred pred)
    {
        std::unique_lock<std::mutex> l(lock);
        while (!pred()) {
            if (host.stopRequested())
                return false;
            // The wait ends on every change; the time limit only looks at the stop request.
            changed.wait_for(l, std::chrono::milliseconds(200));
            l.unlock();
            reportAsked();
            l.lock();
        }
        return true;
    }

    // Tells the host which ports are still being asked, when that changed.
    void reportAsked()
    {
        if (!reportedOnce)
            return;   // the opens are not all known yet
        QList<int> numbers;
        QStringList devices;
        {
            std::lock_guard<std::mutex> l(lock);
            for (const auto &p : probes)
                if (p->opened && !p->done) {
                    numbers << p->number;
                    devices << p->device;
                }
        }
        if (numbers == lastAsked)
            return;
        lastAsked = numbers;
        host.portsAsked(numbers, devices);
    }

    const int timeoutMs;
    PortSearchHost &host;
    std::vector<std::unique_ptr<Probe>> probes;
    std::mutex lock;
    std::condition_variable changed;
    QList<int> lastAsked;
    bool reportedOnce = false;
};

PortSearchResult Search::decide()
{
    PortSearchResult result;
    // The opens first, reported in the order of the numbers.
    for (auto &p : probes) {
        if (!waitFor([&] { return p->openKnown; })) {
            result.code = Err::UserBreak;
            return result;
        }
        if (p->skipped)
            continue;
        result.portNumber = p->number;
        host.portTried(p->number, p->opened);
        if (!p->opened)
            host.portNotOpened(p->number, p->failure);
    }
    // Every port that opened is being asked now, also one that has answered already.
    QList<int> numbers;
    QStringList devices;
    for (auto &p : probes)
        if (p->opened) {
            numbers << p->number;
            devices << p->device;
        }
    host.portsAsked(numbers, devices);
    lastAsked = numbers;
    reportedOnce = true;
    // Then the answers, in the same order: the first port that decides ends the search.
    for (auto &p : probes) {
        if (!waitFor([&] { return p->done; })) {
            result.code = Err::UserBreak;
            return result;
        }
        if (p->skipped || !p->opened || p->result < 0)
            continue;
        const int index = findModelInAnswer(p->answer);
        if (index >= 0) {
            stopAll();
            reportAsked();
            result.code = 1;
            result.portNumber = p->number;
            result.device = p->device;
            result.modelIndex = index;
            return result;
        }
        if (!answerIsLoader(p->answer))
            continue;   // something answered, but not a known model
        if (host.chooseManually(QString::number(p->number))) {
            stopAll();
            reportAsked();
            result.code = Err::ManualSelection;
            result.portNumber = p->number;
            result.device = p->device;
            return result;
        }
    }
    reportAsked();
    result.code = -1;
    return result;
}

}   // namespace

int probePort(SerialPort &port, PortSearchHost &host, const QString &portName, int &modelIndex)
{
    QByteArray answer;
    if (CommandLink::TransactWithRetry(port, Cmd::askVersion(), answer, 2) < 0)
        return Err::NotRecognized;   // no meter on this port
    const int index = findModelInAnswer(answer);
    if (index >= 0) {
        modelIndex = index;
        return 1;
    }
    if (!answerIsLoader(answer))
        return Err::NotRecognized;   // something answered, but not a known model
    return host.chooseManually(portName) ? Err::ManualSelection : Err::NotRecognized;
}

PortSearchResult searchPorts(SerialPort &port, PortSearchHost &host, const QString &skipDevice)
{
    port.Close();
    if (host.stopRequested())
        return PortSearchResult{Err::UserBreak, 0, -1, QString()};
    const QList<PortEntry> table = PortTable::build();
    const int inTable = std::min<int>(int(table.size()), kLastSearchPort);

    Search search(port.GetTimeout(), host);
    for (int n = kFirstSearchPort; n <= inTable; ++n) {
        const QString &device = table[n - 1].device;
        search.add(n, device, !skipDevice.isEmpty() && device == skipDevice);
    }
    search.startAll();
    PortSearchResult result = search.decide();
    search.stopAll();
    if (result.code == -1) {
        // The numbers beyond the table name no port: they fail at once, as an absent port does.
        for (int n = inTable + 1; n <= kLastSearchPort; ++n) {
            if (host.stopRequested()) {
                result.code = Err::UserBreak;
                break;
            }
            host.portTried(n, false);
        }
        if (result.code == -1)
            result.portNumber = kLastSearchPort;
    }
    return result;
}

int identifyOnPort(SerialPort &port, const QString &designation, PortSearchHost &host, int &modelIndex)
{
    if (port.Open(designation) != 0)
        return Err::NotFreePort;
    const int p = probePort(port, host, designation, modelIndex);
    port.Close();
    return p;
}
