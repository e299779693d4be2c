// Prints how long reading and parsing the layout file takes: the shipped layout
// (what every start-up pays) and the largest files the reader accepts (what a
// bad file can cost at most). Figures only; nothing is asserted.
#include "keyLayoutParser.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

void dropMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

struct Figures
{
    double median, p90, min;
};

Figures measure(int runs, const std::function<void()> &work)
{
    std::vector<double> micros;
    micros.reserve(size_t(runs));
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        micros.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    std::sort(micros.begin(), micros.end());
    return {micros[micros.size() / 2], micros[micros.size() * 9 / 10], micros.front()};
}

void print(const char *what, int runs, const Figures &f)
{
    std::printf("%-46s runs %5d  median %10.1f us  p90 %10.1f us  min %10.1f us\n", what, runs, f.median, f.p90, f.min);
}

QByteArray record(int i)
{
    return "{\"PosX\": " + QByteArray::number(i % 1000) +
           ", \"PosY\": 100, \"Width\": 37, \"Height\": 35, \"Dec\": " + QByteArray::number(i) +
           ", \"qtDec\": " + QByteArray::number(i) + ", \"Character\": \"K\"}";
}

} // namespace

int main()
{
    QByteArray shipped;
    if (!readKeyLayoutFile(QStringLiteral(TKT_SHIPPED_LAYOUT), &shipped)) {
        std::fprintf(stderr, "cannot read %s\n", TKT_SHIPPED_LAYOUT);
        return 1;
    }
    const size_t shippedKeys = parseKeyLayout(shipped.constData()).keys.size();
    std::printf("shipped layout: %d bytes, %zu keys\n", int(shipped.size()), shippedKeys);

    const int runs = 2001;
    print("parse shipped layout", runs, measure(runs, [&] { parseKeyLayout(shipped.constData()); }));
    print("read + parse shipped layout", runs, measure(runs, [&] {
              QByteArray text;
              readKeyLayoutFile(QStringLiteral(TKT_SHIPPED_LAYOUT), &text);
              parseKeyLayout(text.constData());
          }));

    // Worst cases below log notices; keep them off the figures.
    qInstallMessageHandler(dropMessages);
    const int bigRuns = 21;

    QByteArray manyKeys = "{\"EveryKeyInfo_Row01\": [";
    for (int i = 0; manyKeys.size() < keyLayoutLimits::maxFileBytes - 200; ++i)
        manyKeys += (i ? "," : "") + record(i);
    manyKeys += "]}";
    std::printf("largest accepted file of valid records: %d bytes\n", int(manyKeys.size()));
    print("parse it (stops at the key limit)", bigRuns,
          measure(bigRuns, [&] { parseKeyLayout(manyKeys.constData()); }));

    QByteArray skipped = "{\"EveryKeyInfo_Row01\": [";
    while (skipped.size() < keyLayoutLimits::maxFileBytes - 10)
        skipped += "{\"PosX\":1},";
    skipped += "0]}";
    print("1 MiB of records that are all skipped", bigRuns,
          measure(bigRuns, [&] { parseKeyLayout(skipped.constData()); }));

    QByteArray tiny = "{\"EveryKeyInfo_Row01\": [";
    while (tiny.size() < keyLayoutLimits::maxFileBytes - 10)
        tiny += "0,";
    tiny += "0]}";
    print("1 MiB row of bare numbers", bigRuns, measure(bigRuns, [&] { parseKeyLayout(tiny.constData()); }));
    return 0;
}
