// Cost of one captured key event on the keyboard page, the key's style change
// included: press and release of every key of the shipped layout, many rounds.
// Prints median, p99 and worst per event; the goal is well under 20 us.
// Beside it, what the unit's verdict adds to every key event: the recorder
// and the verdict it decides, and the verdict bar shown again.
// Run with QT_QPA_PLATFORM=offscreen (or under an X server).
#include "keyboardButCustom.h"
#include "keyboardPage.h"
#include "keyboardVariant.h"
#include "unitRecorder.h"
#include "verdictBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Event
{
    int vkCode;
    int keyFlags;
    int scCode;
};

void quietLog(QtMsgType, const QMessageLogContext &, const QString &) {}

// One press and one release per key, as the hook reports them.
std::vector<Event> eventsFor(const keyboardPage &page)
{
    std::vector<Event> events;
    for (keyboardButCustom *key : page.findChildren<keyboardButCustom *>()) {
        const int id = key->qtDec();
        if (id >= 1 && id <= 254) {
            events.push_back({id, 1, 0}); // extended: the key itself, never a keypad translation
            events.push_back({id, 129, 0});
        } else if (id == 601 || id == 602) {
            events.push_back({13, id == 601 ? 0 : 1, 28});
            events.push_back({13, id == 601 ? 128 : 129, 28});
        } else if (id >= 701 && id <= 703) {
            const int sc = id == 701 ? 125 : id == 702 ? 121 : 112;
            events.push_back({255, 0, sc});
            events.push_back({255, 128, sc});
        }
    }
    return events;
}

// Loads the layout from the source tree, wherever the benchmark runs.
class shippedLayoutPage : public keyboardPage
{
protected:
    QString keyboardInfoPath() const override { return QStringLiteral(TKT_SHIPPED_LAYOUT); }
};

double percentile(std::vector<qint64> &v, double p)
{
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())));
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(i), v.end());
    return static_cast<double>(v[i]) / 1000.0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    shippedLayoutPage page;
    page.resize(1005, 400);
    page.show(); // the first resize loads the layout
    page.setNoSuchKeyList(noSuchKeyListForVariant(0));
    page.clearAllKeyState();
    QApplication::processEvents();

    const std::vector<Event> events = eventsFor(page);
    if (events.empty()) {
        std::fprintf(stderr, "no keys in %s\n", TKT_SHIPPED_LAYOUT);
        return 1;
    }
    qInstallMessageHandler(quietLog); // the vk 255 log line would time the terminal

    // The unit under test as the window feeds it, keys a tenth of a second apart.
    UnitRecorder recorder;
    std::vector<int> wanted;
    const QList<int> absent = noSuchKeyListForVariant(0);
    for (int qtDec : page.keyQtDecs()) {
        if (qtDec > 0 && qtDec != 1010 && !absent.contains(qtDec))
            wanted.push_back(qtDec);
    }
    recorder.setVariantKeys(wanted);
    recorder.unitStarted(UnitIdentity(), 0);
    VerdictBar bar;
    bar.resize(983, 56);
    bar.show();
    const KeyNamer keyName = [&recorder](int qtDec) { return recorder.keyName(qtDec); };
    std::int64_t eventTimeUs = 0;
    std::vector<qint64> perVerdict;
    std::vector<qint64> perVerdictShown;
    QElapsedTimer verdictTimer;
    QObject::connect(&page, &keyboardPage::sigKeyEvent, [&](int qtDec, bool pressed) {
        eventTimeUs += 100000;
        verdictTimer.start();
        if (pressed)
            recorder.keyPressed(qtDec, eventTimeUs);
        else
            recorder.keyReleased(qtDec, eventTimeUs);
        const VerdictState state = recorder.verdict().state();
        perVerdict.push_back(verdictTimer.nsecsElapsed());
        bar.showVerdict(&recorder.verdict(), keyName);
        perVerdictShown.push_back(verdictTimer.nsecsElapsed());
        (void)state;
    });

    const int rounds = 200;
    std::vector<qint64> perEvent;
    perEvent.reserve(events.size() * rounds);
    std::vector<qint64> perPaintedPair;
    QElapsedTimer timer;
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i + 1 < events.size(); i += 2) {
            for (size_t k = i; k < i + 2; ++k) {
                timer.start();
                page.handleKeyboardEvent(events[k].vkCode, events[k].keyFlags, events[k].scCode);
                perEvent.push_back(timer.nsecsElapsed());
            }
            if (round < 10) {
                // A few rounds also pay for the repaint that the event loop does next.
                timer.start();
                page.handleKeyboardEvent(events[i].vkCode, events[i].keyFlags, events[i].scCode);
                page.handleKeyboardEvent(events[i + 1].vkCode, events[i + 1].keyFlags, events[i + 1].scCode);
                QApplication::processEvents();
                perPaintedPair.push_back(timer.nsecsElapsed());
            }
        }
        page.clearAllKeyState();
        page.resetAlreadyPressedKeyNum();
        recorder.restartKeys();
    }
    qInstallMessageHandler(nullptr);

    std::printf("keys on page: %d, events timed: %zu (%d rounds of press+release)\n",
                static_cast<int>(page.findChildren<keyboardButCustom *>().size()), perEvent.size(), rounds);
    std::printf("handleKeyboardEvent per event:  median %.2f us, p99 %.2f us, max %.2f us\n", percentile(perEvent, 0.5),
                percentile(perEvent, 0.99), percentile(perEvent, 1.0));
    std::printf("press+release with repaint:     median %.2f us, p99 %.2f us (per pair)\n",
                percentile(perPaintedPair, 0.5), percentile(perPaintedPair, 0.99));
    std::printf("unit verdict per event:         median %.2f us, p99 %.2f us (recorder, verdict and its state; "
                "%zu keys wanted)\n",
                percentile(perVerdict, 0.5), percentile(perVerdict, 0.99), wanted.size());
    std::printf("  with the verdict bar shown:   median %.2f us, p99 %.2f us\n", percentile(perVerdictShown, 0.5),
                percentile(perVerdictShown, 0.99));
    return 0;
}
