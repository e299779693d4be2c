// Latency of the key test's capture end to end under X11: a key typed through
// XTest on a connection of its own (XTestFakeKeyEvent + XFlush, as a physical
// key reaches the server) until the key shows its new state on the real main
// window's page, and until that key is next painted. 1000 presses, each with
// its release; every event must change the key (green on press, blue on
// release). Prints median, p99 and worst, and how many events never arrived.
// The goal: none lost, p99 under 8 ms (half a 60 Hz frame).
//
// Run under an X server with XTest, beside a configDir/ holding the layout:
//   xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" <build>/bench/keyCapture/bench_keyCapture
// The window's debug lines are discarded, so a slow terminal is not measured.
#include "keyButtonLook.h"
#include "keyCapture.h"
#include "keyboardButCustom.h"
#include "keyboardPage.h"
#include "mainPageDia.h"
#include "simKeyboard.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

// Xlib last: its macros break the toolkit's headers.
#include "xtestKeyboard.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Presses = 1000;
// An event not shown within this time counts as lost.
constexpr int LostAfterMs = 250;

void quietLog(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

double percentileMs(std::vector<double> v, double p)
{
    if (v.empty())
        return 0.0;
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())));
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(i), v.end());
    return v[i];
}

void report(const char *what, const std::vector<double> &samples, int lost)
{
    std::printf("%-34s n %5zu  median %6.3f ms  p99 %6.3f ms  max %7.3f ms  lost %d\n", what, samples.size(),
                percentileMs(samples, 0.5), percentileMs(samples, 0.99), percentileMs(samples, 1.0), lost);
}

// Notes the first paint of the watched key after its state changed.
class PaintWatch : public QObject
{
public:
    keyboardButCustom *key = nullptr;
    bool armed = false;
    Clock::time_point paintedAt;
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (armed && watched == key && event->type() == QEvent::Paint && !painted) {
            paintedAt = Clock::now();
            painted = true;
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    QApplication app(argc, argv);
    qInstallMessageHandler(quietLog);
    sim::SimKeyboard::resetAll();

    XTestKeyboard keyboard;
    if (!keyboard.isUsable()) {
        std::fprintf(stderr, "needs an X server with the XTest extension\n");
        return 1;
    }

    mainPageDia window;
    window.show();
    keyboardPage *page = window.findChild<keyboardPage *>();
    QElapsedTimer loading;
    loading.start();
    while (!page->keyButton(65) && loading.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!page->keyButton(65)) {
        std::fprintf(stderr, "the page did not load configDir/KeyInfo.config beside the executable\n");
        return 1;
    }
    if (!keyCapture::isInstalled()) {
        std::fprintf(stderr, "the key test did not capture the keyboard\n");
        return 1;
    }
    // Let the first paint and the window manager's traffic settle.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    PaintWatch paints;
    std::vector<keyboardButCustom *> keys;
    std::vector<KeyCode> codes;
    for (KeySym sym = XK_a; sym <= XK_z; ++sym) {
        keyboardButCustom *key = page->keyButton(int(sym - XK_a) + 65);
        const KeyCode code = keyboard.keycode(sym);
        if (!key || code == 0)
            continue;
        key->installEventFilter(&paints);
        keys.push_back(key);
        codes.push_back(code);
    }
    if (keys.empty()) {
        std::fprintf(stderr, "no letter keys on the page or the server's keymap\n");
        return 1;
    }

    std::vector<double> toState;
    std::vector<double> toPaint;
    int lost = 0;
    int unpainted = 0;

    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);

    keyboardButCustom *key = nullptr;
    QString wantedSheet;
    Clock::time_point sentAt;
    Clock::time_point shownAt;
    bool shown = false;
    // The page reports the count right after it set the key's state.
    QObject::connect(page, &keyboardPage::sigAlreadyPressedKeyNum, &loop, [&] {
        if (shown || !key || key->styleSheet() != wantedSheet)
            return;
        shownAt = Clock::now();
        shown = true;
        loop.quit();
    });

    const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };

    for (int i = 0; i < Presses * 2; ++i) {
        const size_t which = size_t(i / 2) % keys.size();
        const bool down = i % 2 == 0;
        key = keys[which];
        wantedSheet =
            keyButtonLook::stateStyleSheet(down ? keyButtonLook::KeyState_Down : keyButtonLook::KeyState_Released);
        shown = false;
        paints.key = key;
        paints.painted = false;
        paints.armed = false;

        sentAt = Clock::now();
        keyboard.send(codes[which], down, false);

        timeout.start(LostAfterMs);
        loop.exec();
        timeout.stop();
        if (!shown) {
            ++lost;
            continue;
        }
        toState.push_back(ms(shownAt - sentAt));

        paints.armed = true;
        QElapsedTimer waited;
        waited.start();
        while (!paints.painted && waited.elapsed() < LostAfterMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (paints.painted)
            toPaint.push_back(ms(paints.paintedAt - sentAt));
        else
            ++unpainted;
    }

    std::printf("key capture under X11, %d presses with their releases (%zu letter keys)\n", Presses, keys.size());
    report("XTest event -> key state on page", toState, lost);
    report("XTest event -> key painted", toPaint, lost + unpainted);
    std::printf("pressed-key count on the page: %d (expected %zu)\n", page->pressedKeyNum(),
                std::min(keys.size(), size_t(Presses)));
    std::printf("goal: none lost, p99 under 8 ms\n");

    window.close();
    return 0;
}
