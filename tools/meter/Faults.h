#pragma once
// Faults the meter injects on request, so that tests can see how the program copes with a
// meter that refuses, goes silent, garbles its answers or hangs up. The syntax of each
// --fault option is documented in README.md.

#include <QByteArray>
#include <QList>
#include <QString>
#include <climits>

struct FaultSpec {
    enum Kind { Nak, Silence, NoAck, Long, Short, Length, Cut, Garbage, XonXoff, Delay, Pace, Hangup };
    Kind kind = Nak;
    QByteArray prefix;   // commands that begin with this text; empty = every command
    long long first = 1;   // which of the matching commands: first..last (counted from 1)
    long long last = LLONG_MAX;
    int value = 0;   // delay in ms, answer length, baud rate or command count
    long long seen = 0;   // matching commands so far
};

// What the faults make of one command.
struct FaultDecision {
    bool hangup = false;   // hang up before answering this command
    bool silence = false;   // send nothing, do not act on the command
    bool nak = false;   // refuse it, do not act on it
    bool noAck = false;   // act on it, but leave the ACK out
    bool xonxoff = false;   // sprinkle XON/XOFF around and inside the reply
    int delayMs = 0;   // wait this long before replying
    // Changes of the reply text, in the order the options were given.
    QList<const FaultSpec *> mangle;
};

class FaultSet {
public:
    // Parses one --fault value; returns an error text, empty on success.
    QString add(const QString &fault);
    // Pacing baud rate asked by a "pace" fault, 0 when none.
    int paceBaud() const;
    // Counts the command against every fault and says what to do with it.
    FaultDecision decide(const QByteArray &command);
    bool empty() const { return specs.isEmpty(); }

private:
    QList<FaultSpec> specs;
    long long commands = 0;
};

// Builds the bytes that go back to the host for one command.
//  refused: the meter does not know or does not accept the command (NAK).
//  query:   the command asks for an answer, `answer` is its text (without CR).
//  ackWanted: false for commands ending in "*", which the host does not wait to see acknowledged.
QByteArray buildReply(const FaultDecision &d, bool refused, bool query, const QByteArray &command, QByteArray answer,
                      bool ackWanted);

// Deterministic noise for the "garbage" fault: no CR, LF, ACK, NAK, XON or XOFF among it.
QByteArray noiseBytes(int count);
