// ReadUntil's handling of the bytes the meter sends, on any byte stream. Input: the
// terminator, the most characters to store (second byte, 0-255), then the stream. The stream
// is read line after line, as the program reads a meter's answers one by one.

#include "FuzzSupport.h"
#include "link/SerialPort.h"

namespace {
constexpr char kCR = 13, kXON = 17, kXOFF = 19, kNAK = 21;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const char terminator = char(data[0]);
    const int maxChars = data[1];
    const QByteArray stream = fuzz::bytes(data + 2, size - 2);

    bool ready = false;
    qsizetype pos = 0;
    while (pos < stream.size()) {
        QByteArray buf;
        int stored = 0;
        std::optional<int> result;
        qsizetype consumed = 0;
        while (!result && pos < stream.size()) {
            const char c = stream.at(pos++);
            ++consumed;
            const bool wasReady = ready;
            result = takeReadByte(c, terminator, maxChars, buf, stored, ready);
            // Flow control changes the ready flag and nothing else.
            if (c == kXON)
                FUZZ_CHECK(ready);
            else if (c == kXOFF)
                FUZZ_CHECK(!ready);
            else
                FUZZ_CHECK(ready == wasReady);
        }
        // Flow-control bytes are never stored; at most maxChars others and one CR or NAK.
        FUZZ_CHECK(!buf.contains(kXON) && !buf.contains(kXOFF));
        FUZZ_CHECK(stored <= maxChars);
        FUZZ_CHECK(buf.size() <= maxChars + 1);
        FUZZ_CHECK(buf.size() <= consumed);
        if (!result) {
            // The stream ended first: the read would time out with what it stored.
            FUZZ_CHECK(buf.size() == stored);
            break;
        }
        const int r = *result;
        if (r == -5) {
            FUZZ_CHECK(buf.endsWith(kNAK) && buf.count(kNAK) == 1);
        } else if (r == -6) {
            FUZZ_CHECK(stored == maxChars && buf.size() == maxChars);
        } else if (terminator == kXON || terminator == kXOFF) {
            // A flow-control terminator ends the read without being stored.
            FUZZ_CHECK(r >= 0 && r == buf.size());
        } else {
            FUZZ_CHECK(r > 0 && r == buf.size());
            FUZZ_CHECK(buf.endsWith(kCR) || buf.endsWith(terminator));
            // Nothing after the first CR: a line never swallows the start of the next answer.
            FUZZ_CHECK(buf.indexOf(kCR) < 0 || buf.indexOf(kCR) == buf.size() - 1);
            FUZZ_CHECK(!buf.left(buf.size() - 1).contains(kNAK));
        }
    }
    return 0;
}
