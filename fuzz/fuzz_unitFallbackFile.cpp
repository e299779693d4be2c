// Feeds any bytes as a fallback file through its reader the way the store's
// writer imports it: step by step from where the last step ended, some
// hand-overs refused as by a locked store. The first byte steers the batch
// size, the lines per step and the refusals; the rest is the file.
//
// Beyond "no crash, no leak, no UB" it checks what the import relies on:
// every unit taken writes back as one line without a line break or NUL that
// reads as the same unit and writes the same again; damaged lines carry a
// reason, a line number and at most a line's bytes; every step ends where the
// next begins, inside the file; and the reading reaches the end.
#include "unitFallbackFile.h"
#include "unitLine.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool ok)
{
    if (!ok)
        abort();
}

void checkUnit(const UnitRecord &unit)
{
    const std::string line = unitLine::write(unit);
    check(line.find_first_of(std::string("\n\r\0", 3)) == std::string::npos);
    UnitRecord again;
    check(unitLine::read(line, again));
    check(again == unit);
    check(unitLine::write(again) == line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t control = data[0];
    QByteArray content(reinterpret_cast<const char *>(data + 1), static_cast<int>(size - 1));
    QBuffer file(&content);
    file.open(QIODevice::ReadOnly);
    const std::size_t batchSize = 1 + (control & 7);
    const qint64 linesPerStep = 1 + ((control >> 3) & 15);
    const int refuseEvery = (control & 0x80) ? 3 : 0;

    int handOvers = 0;
    qint64 lastLine = 0;
    unitFallbackFile::Position at;
    bool atEnd = false;
    // Each step takes at least one line, or refuses and is tried again.
    for (qint64 step = 0; step < 4 * (content.size() + 2) && !atEnd; ++step) {
        const unitFallbackFile::Reading reading =
            unitFallbackFile::read(file, at, batchSize, linesPerStep, [&](unitFallbackFile::Batch &batch) {
                if (refuseEvery && ++handOvers % refuseEvery == 0)
                    return false;
                check(batch.units.size() <= batchSize && batch.damaged.size() <= batchSize);
                for (const UnitRecord &unit : batch.units)
                    checkUnit(unit);
                for (const unitFallbackFile::DamagedLine &line : batch.damaged) {
                    check(!line.reason.empty());
                    check(line.number > lastLine);
                    check(line.text.size() <= unitFallbackFile::MaxLineBytes + 1);
                    lastLine = line.number;
                }
                return true;
            });
        check(reading.error.isEmpty());
        check(reading.next.offset >= at.offset && reading.next.offset <= content.size());
        check(reading.next.line >= at.line);
        at = reading.next;
        atEnd = reading.atEnd;
    }
    check(atEnd);
    return 0;
}
