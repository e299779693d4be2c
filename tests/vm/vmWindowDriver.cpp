// The tool's main window on the system's hidapi and the real udev presence,
// driven by object name the way an operator clicks: for the runs that need a
// button pressed (the key check, the magnetic production run) against a
// keyboard on a real kernel USB stack: the key check on the NUC121 keyboard,
// or the production run on the magnetic one. Prints one "VM-CHECK" line per
// check and exits 0 only when all of them held.
//
//   tkt_vm_window keycheck [BOOT_HIDG OTHER_HIDG OTHER_EVENT REPORTS] | magnetic
//
// With the four arguments the key test of the unit's own keys comes first, in
// the same window: this program is the firmware side of the unit's boot
// keyboard. It writes 8-byte boot reports to BOOT_HIDG and judges the page
// (the tool's device capture), reads the LED reports the kernel sends the
// unit, and types on a second gadget keyboard (OTHER_HIDG, read here on
// OTHER_EVENT) whose keys must not reach the page. REPORTS reports are timed
// from their write to the key's new state on the page.
#include "GlobalApplication.h"
#include "keyboardHookCore.h"
#include "keyboardPage.h"
#include "keyboardPageLayout.h"
#include "mainPageDia.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QRadioButton>
#include <QStringList>
#include <QtTest>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <vector>

#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <unistd.h>

namespace {

// Entries of the device list: the NUC121 keyboard and the magnetic M484.
constexpr int kKeyboardEntry = 1;
constexpr int kMagneticEntry = 11;
constexpr int kStepTimeoutMs = 30000;
const int kKeyA = 0x04, kKeyB = 0x05, kKeyC = 0x06;

QStringList g_log;
QtMessageHandler g_previous = nullptr;

void record(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    g_log.append(message);
    if (g_previous)
        g_previous(type, context, message);
}

bool logged(const QString &part)
{
    for (const QString &line : qAsConst(g_log))
        if (line.contains(part))
            return true;
    return false;
}

int failures = 0;

void check(const char *what, bool held)
{
    std::printf("VM-CHECK %s: %s\n", held ? "pass" : "FAIL", what);
    std::fflush(stdout);
    failures += held ? 0 : 1;
}

template <class T> T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

QString labelText(QWidget *window, const char *name)
{
    QLabel *label = child<QLabel>(window, name);
    return label ? label->text() : QString();
}

int stateOfKey(QWidget *window, int keyDec)
{
    keyboardPage *page = window->findChild<keyboardPage *>();
    return page ? keyStateOf(page->keyButtonByKeyDec(keyDec)) : -2;
}

bool waitFor(const std::function<bool()> &condition)
{
    return QTest::qWaitFor(condition, kStepTimeoutMs);
}

void connectTo(mainPageDia &window, int entry)
{
    QComboBox *devices = child<QComboBox>(&window, "comboBox_VidPidList");
    if (devices && devices->currentIndex() != entry)
        devices->setCurrentIndex(entry);
    check("connected through hidraw",
          waitFor([&] { return labelText(&window, "label_ConnectStatus") == QLatin1String("Connect success"); }));
    check("layout received", waitFor([] { return logged(QStringLiteral("Keyboard layout [Get Over]")); }));
}

using BootReport = std::array<std::uint8_t, 8>;
constexpr int kShownWithinMs = 2000;

BootReport keys(std::initializer_list<std::uint8_t> usages)
{
    BootReport r = {};
    std::copy_n(usages.begin(), std::min<std::size_t>(usages.size(), 6), r.begin() + 2);
    return r;
}

std::int64_t nowUs()
{
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// A report leaves once the host took the one before; it cannot while nobody
// reads that keyboard.
bool writeReport(int fd, const BootReport &report)
{
    pollfd p{fd, POLLOUT, 0};
    return poll(&p, 1, kShownWithinMs) > 0 && write(fd, report.data(), report.size()) == ssize_t(report.size());
}

// The page's key events: which way, when (CLOCK_MONOTONIC, as the kernel's
// event times the capture hands on).
struct PageEvent
{
    bool pressed;
    std::int64_t atUs;
    std::int64_t kernelUs;
};
std::vector<PageEvent> g_pageEvents;

// Writes the report and waits for the page event it makes: its time from the
// write and from the kernel's input event, in ms.
bool sendTimed(int fd, const BootReport &report, bool pressed, std::vector<double> *fromWrite,
               std::vector<double> *fromEvent)
{
    const std::size_t before = g_pageEvents.size();
    const std::int64_t sent = nowUs();
    if (!writeReport(fd, report))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kShownWithinMs) {
        for (std::size_t i = before; i < g_pageEvents.size(); ++i) {
            if (g_pageEvents[i].pressed == pressed) {
                fromWrite->push_back(double(g_pageEvents[i].atUs - sent) / 1000.0);
                fromEvent->push_back(double(g_pageEvents[i].atUs - g_pageEvents[i].kernelUs) / 1000.0);
                return true;
            }
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return false;
}

// Writes the report and waits until every key of `usages` shows `state`.
bool send(mainPageDia &window, int fd, const BootReport &report, std::initializer_list<int> usages, int state)
{
    return writeReport(fd, report) && waitFor([&] {
               return std::all_of(usages.begin(), usages.end(), [&](int u) { return stateOfKey(&window, u) == state; });
           });
}

// The last LED report the host sent to the boot keyboard within the wait; -1 for none.
int lastLedReport(int fd, int waitMs)
{
    int last = -1;
    std::uint8_t report[8] = {};
    for (pollfd p{fd, POLLIN, 0}; poll(&p, 1, last < 0 ? waitMs : 100) > 0 && read(fd, report, 8) > 0;)
        last = report[0];
    return last;
}

// Presses of `code` (any key for -1) that a reader of an input node got.
int keyPressesOn(int fd, int code)
{
    int presses = 0;
    input_event events[64] = {};
    for (int round = 0, n = 0; round < 64 && (n = int(read(fd, events, sizeof events))) > 0; ++round) {
        for (int i = 0; i < n / int(sizeof(input_event)); ++i)
            presses += events[i].type == EV_KEY && (code < 0 || events[i].code == code) && events[i].value == 1;
    }
    return presses;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[std::min(v.size() - 1, std::size_t(p * double(v.size())))];
}

void runKeys(mainPageDia &window, char **argv)
{
    const int boot = open(argv[2], O_RDWR | O_NONBLOCK | O_CLOEXEC);
    const int other = open(argv[3], O_RDWR | O_NONBLOCK | O_CLOEXEC);
    const int otherReader = open(argv[4], O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const int reports = std::max(2, std::atoi(argv[5]));
    check("the gadgets' boot keyboards and the second one's input node open",
          boot >= 0 && other >= 0 && otherReader >= 0);
    const int down = int(keyButtonLook::KeyState_Down), released = int(keyButtonLook::KeyState_Released);
    keyboardPage *page = window.findChild<keyboardPage *>();
    QObject::connect(page, &keyboardPage::sigKeyEvent, &window, [](int, bool pressed) {
        g_pageEvents.push_back({pressed, nowUs(), keyboardHookCore().eventTimeUs()});
    });
    connectTo(window, kKeyboardEntry);
    const QString taken = QStringLiteral("Key capture source: device (0416:b23c: ");
    check("keys taken from the unit's own input devices", waitFor([&] { return logged(taken + "/dev/input/"); }));
    // Another program reading the unit's nodes, as the desktop would.
    std::vector<int> unitReaders;
    for (const QString &line : qAsConst(g_log)) {
        if (line.contains(taken))
            for (const QString &node : line.section(taken, 1).chopped(1).split(QLatin1Char(' ')))
                if (node.startsWith(QLatin1String("/dev/")))
                    unitReaders.push_back(open(node.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    }

    check("press: A down on the page", send(window, boot, keys({kKeyA}), {kKeyA}, down));
    check("release: A released", send(window, boot, keys({}), {kKeyA}, released));
    check("six keys at once: all six down",
          send(window, boot, keys({8, 9, 10, 11, 12, 13}), {8, 9, 10, 11, 12, 13}, down));
    check("six keys released", send(window, boot, keys({}), {8, 9, 10, 11, 12, 13}, released));

    // B bounces: a release and a press one report apart. The emulated bus on
    // a loaded host may space two reports further than a bounce; a few tries.
    bool inOrder = true;
    std::int64_t gapUs = -1;
    for (int attempt = 0; attempt < 3 && inOrder && !(gapUs >= 0 && gapUs < 30000); ++attempt) {
        g_pageEvents.clear();
        inOrder = writeReport(boot, keys({kKeyB})) && writeReport(boot, keys({})) && writeReport(boot, keys({kKeyB})) &&
                  writeReport(boot, keys({}));
        QTest::qWait(300);
        const std::vector<PageEvent> &b = g_pageEvents;
        inOrder = inOrder && b.size() == 4 && b[0].pressed && !b[1].pressed && b[2].pressed && !b[3].pressed;
        gapUs = inOrder ? b[2].kernelUs - b[1].kernelUs : -1;
    }
    check("chatter: every bounce of B on the page, in order", inOrder);
    check("chatter: the bounce's gap by the kernel's times is below 30 ms", gapUs >= 0 && gapUs < 30000);
    std::printf("VM-FIGURE chatter gap of B by the kernel's times: %lld us\n", static_cast<long long>(gapUs));

    // A key of the second keyboard reaches its own reader, not the page.
    keyPressesOn(otherReader, -1);
    const bool typed = writeReport(other, keys({0x1d})) && writeReport(other, keys({}));
    bool delivered = false;
    for (int i = 0; i < 40 && !delivered; ++i) {
        QTest::qWait(50);
        delivered = keyPressesOn(otherReader, KEY_Z) > 0;
    }
    QTest::qWait(300);
    check("a second keyboard's key reaches its own reader", typed && delivered);
    check("a second keyboard's key does not light the page", stateOfKey(&window, 0x1d) == 0);

    // Caps Lock: the kernel sends the gadget the unit's LED report; the indicator follows.
    const int caps = 0x39;
    keyboardButCustom *indicator = page->keyButton(-12);
    lastLedReport(boot, 300); // whatever the host sent at connection
    for (bool on : {true, false}) {
        send(window, boot, keys({caps}), {caps}, down);
        send(window, boot, keys({}), {caps}, released);
        const int led = lastLedReport(boot, kShownWithinMs);
        check(on ? "Caps Lock: LED report with Caps Lock on" : "Caps Lock again: LED report with it off",
              led >= 0 && bool(led & 0x02) == on);
        check(on ? "Caps Lock: the indicator on" : "Caps Lock again: the indicator off",
              indicator && (on ? lockShowsOn(indicator) : lockShowsOff(indicator)));
    }

    std::vector<double> fromWrite, fromEvent;
    int lost = 0;
    for (int i = 0; i < reports; ++i) {
        const std::uint8_t usage = std::uint8_t(0x04 + (i / 2) % 26);
        lost += sendTimed(boot, i % 2 ? keys({}) : keys({usage}), i % 2 == 0, &fromWrite, &fromEvent) ? 0 : 1;
    }
    std::printf("VM-FIGURE boot report on the gadget to the key's state on the page, %zu reports under TCG: "
                "median %.2f ms, p99 %.2f ms, max %.2f ms, lost %d\n",
                fromWrite.size(), percentile(fromWrite, 0.5), percentile(fromWrite, 0.99), percentile(fromWrite, 1),
                lost);
    std::printf("VM-FIGURE kernel input event to the key's state on the page (device capture), %zu events under "
                "TCG: median %.2f ms, p99 %.2f ms\n",
                fromEvent.size(), percentile(fromEvent, 0.5), percentile(fromEvent, 0.99));
    check("latency run: no report lost", lost == 0);
    int othersGot = 0;
    for (int fd : unitReaders)
        othersGot += fd >= 0 ? keyPressesOn(fd, -1) : 1;
    check("no other reader of the unit's nodes got any of its keys", !unitReaders.empty() && othersGot == 0);
    for (int fd : unitReaders)
        close(fd);
    for (int fd : {boot, other, otherReader})
        close(fd);
}

void runIrCheck(mainPageDia &window)
{
    if (QRadioButton *ir = child<QRadioButton>(&window, "radioButton_IrTest"))
        ir->click();
    if (QAbstractButton *run = child<QAbstractButton>(&window, "pushBut_IRKeyTest"))
        run->click();
}

} // namespace

int main(int argc, char *argv[])
{
    const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    const bool keyRun = mode == QLatin1String("keycheck") && argc == 6;
    if ((mode != QLatin1String("keycheck") || (argc != 2 && !keyRun)) &&
        (mode != QLatin1String("magnetic") || argc != 2)) {
        std::fprintf(stderr, "usage: %s keycheck [BOOT_HIDG OTHER_HIDG OTHER_EVENT REPORTS] | magnetic\n", argv[0]);
        return 2;
    }
    g_previous = qInstallMessageHandler(record);
    GlobalApplication app(argc, argv);
    int result = 0;
    {
        mainPageDia window;
        window.init(QStringLiteral("English"));
        window.show();
        check("the page has laid out its keys", waitFor([&] { return stateOfKey(&window, kKeyA) >= 0; }));

        if (mode == QLatin1String("keycheck")) {
            if (keyRun)
                runKeys(window, argv);
            else
                connectTo(window, kKeyboardEntry);
            runIrCheck(window);
            check("key check: failed keys A and B red", waitFor([&] {
                      return stateOfKey(&window, kKeyA) == int(keyButtonLook::KeyState_Fail) &&
                             stateOfKey(&window, kKeyB) == int(keyButtonLook::KeyState_Fail);
                  }));
            check("key check: passed key C green", stateOfKey(&window, kKeyC) == int(keyButtonLook::KeyState_Pass));
        } else {
            connectTo(window, kMagneticEntry);
            runIrCheck(window);
            check("magnetic run: production verdict shown", waitFor([&] {
                      return labelText(&window, "label_ProductionTesting") == QLatin1String("Production Successful");
                  }));
            check("magnetic run: passed key A green", stateOfKey(&window, kKeyA) == int(keyButtonLook::KeyState_Pass));
        }
        window.close();
        result = failures == 0 ? 0 : 1;
    }
    qInstallMessageHandler(g_previous);
    return result;
}
