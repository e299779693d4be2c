// The tool's main window on the system's hidapi and the real udev presence,
// driven by object name the way an operator clicks: for the runs that need a
// button pressed (the key check, the magnetic production run) against a
// keyboard on a real kernel USB stack: the key check on the NUC121 keyboard,
// or the production run on the magnetic one. Prints one "VM-CHECK" line per
// check and exits 0 only when all of them held.
//
//   tkt_vm_window keycheck [BOOT_HIDG OTHER_HIDG OTHER_EVENT REPORTS] | magnetic
//
// With the four arguments the key check is preceded by the key test of the
// unit's own keys, in the same window: the program is the firmware side of the unit's boot keyboard: it writes 8-byte
// boot reports to the gadget's BOOT_HIDG and judges the page's keys (the
// tool's device capture), reads the LED reports the tool makes the kernel
// send, and types on a second gadget keyboard (OTHER_HIDG, read by this
// program on OTHER_EVENT) whose keys must not reach the page. REPORTS reports
// are timed from their write to the key's new state on the page.
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
#include <chrono>
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

using Clock = std::chrono::steady_clock;
using BootReport = std::array<std::uint8_t, 8>;
constexpr int kShownWithinMs = 2000;

BootReport keys(std::initializer_list<std::uint8_t> usages)
{
    BootReport r = {};
    std::size_t i = 2;
    for (std::uint8_t usage : usages)
        if (i < r.size())
            r[i++] = usage;
    return r;
}

// A report goes once the host has taken the one before; a host that never
// polls (nobody reads that keyboard) makes it fail.
bool writeReport(int fd, const BootReport &report)
{
    pollfd p{fd, POLLOUT, 0};
    if (poll(&p, 1, kShownWithinMs) <= 0)
        return false;
    return write(fd, report.data(), report.size()) == ssize_t(report.size());
}

// The page's key events as they happen: which key, which way, when (also on
// the kernel's clock), and the kernel's time the capture handed on with it.
struct PageEvent
{
    int qtDec;
    bool pressed;
    Clock::time_point at;
    std::int64_t monotonicUs;
    std::int64_t kernelUs;
};

std::int64_t monotonicUs()
{
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

class KeyRun
{
public:
    KeyRun(mainPageDia &window, int boot) : m_window(window), m_boot(boot)
    {
        m_page = window.findChild<keyboardPage *>();
        QObject::connect(m_page, &keyboardPage::sigKeyEvent, &m_window, [this](int qtDec, bool pressed) {
            m_events.push_back({qtDec, pressed, Clock::now(), monotonicUs(), keyboardHookCore().eventTimeUs()});
        });
    }

    int state(int usage) const { return stateOfKey(&m_window, usage); }
    // Sends the report and waits until every key in `usages` shows `wanted`.
    bool send(const BootReport &report, std::initializer_list<int> usages, int wanted)
    {
        if (!writeReport(m_boot, report))
            return false;
        return QTest::qWaitFor(
            [&] { return std::all_of(usages.begin(), usages.end(), [&](int u) { return state(u) == wanted; }); },
            kShownWithinMs);
    }
    // Milliseconds from the write to the page event that the report makes,
    // and from the kernel's input event (its own time) to that page event.
    bool timed(const BootReport &report, bool pressed, std::vector<double> *ms, std::vector<double> *fromEvent)
    {
        const std::size_t before = m_events.size();
        const Clock::time_point sent = Clock::now();
        if (!writeReport(m_boot, report))
            return false;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < kShownWithinMs) {
            for (std::size_t i = before; i < m_events.size(); ++i) {
                if (m_events[i].pressed == pressed) {
                    ms->push_back(std::chrono::duration<double, std::milli>(m_events[i].at - sent).count());
                    fromEvent->push_back(double(m_events[i].monotonicUs - m_events[i].kernelUs) / 1000.0);
                    return true;
                }
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        return false;
    }
    std::vector<PageEvent> &events() { return m_events; }
    keyboardPage *page() const { return m_page; }

private:
    mainPageDia &m_window;
    int m_boot;
    keyboardPage *m_page = nullptr;
    std::vector<PageEvent> m_events;
};

// The LED report the host last sent to the boot keyboard, or -1 for none
// within the wait.
int lastLedReport(int fd, int waitMs)
{
    int last = -1;
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, waitMs) > 0 && (p.revents & POLLIN)) {
        std::uint8_t report[8] = {};
        const ssize_t n = read(fd, report, sizeof report);
        if (n < 1)
            break;
        last = report[0];
        waitMs = 100;
    }
    return last;
}

// KEY_* presses read from an input node that some program other than the tool
// holds open.
int keyPressesOn(int fd, int code)
{
    int presses = 0;
    input_event events[64] = {};
    for (int round = 0; round < 64; ++round) {
        const ssize_t n = read(fd, events, sizeof events);
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n / ssize_t(sizeof(input_event)); ++i)
            presses += events[i].type == EV_KEY && events[i].code == code && events[i].value == 1 ? 1 : 0;
    }
    return presses;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size())))];
}

int runKeys(mainPageDia &window, char **argv)
{
    const int boot = open(argv[2], O_RDWR | O_NONBLOCK | O_CLOEXEC);
    const int other = open(argv[3], O_RDWR | O_NONBLOCK | O_CLOEXEC);
    const int otherEvents = open(argv[4], O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const int reports = std::max(2, std::atoi(argv[5]));
    check("the gadget's boot keyboards and the second one's input node open",
          boot >= 0 && other >= 0 && otherEvents >= 0);
    if (boot < 0 || other < 0 || otherEvents < 0)
        return 1;
    const int kDown = int(keyButtonLook::KeyState_Down), kReleased = int(keyButtonLook::KeyState_Released);
    const int kUntested = int(keyButtonLook::KeyState_Untested);
    KeyRun run(window, boot);
    connectTo(window, kKeyboardEntry);
    check("keys taken from the unit's own input devices",
          waitFor([] { return logged(QStringLiteral("Key capture source: device (0416:b23c: /dev/input/event")); }));

    check("press: A down on the page", run.send(keys({kKeyA}), {kKeyA}, kDown));
    check("release: A released on the page", run.send(keys({}), {kKeyA}, kReleased));
    const std::initializer_list<int> six = {0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d};
    check("six keys at once: all six down", run.send(keys({0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d}), six, kDown));
    check("six keys released: all six released", run.send(keys({}), six, kReleased));

    // Chatter: B bounces, a release and a press a report apart.
    run.events().clear();
    bool sent = writeReport(boot, keys({kKeyB})) && writeReport(boot, keys({})) && writeReport(boot, keys({kKeyB}));
    sent = sent && run.send(keys({}), {kKeyB}, kReleased);
    QTest::qWait(200);
    const std::vector<PageEvent> &bounce = run.events();
    const bool fourEvents =
        bounce.size() == 4 && bounce[0].pressed && !bounce[1].pressed && bounce[2].pressed && !bounce[3].pressed;
    const std::int64_t gapUs = fourEvents ? bounce[2].kernelUs - bounce[1].kernelUs : -1;
    check("chatter: every bounce of B on the page, in order", sent && fourEvents);
    std::printf("VM-FIGURE chatter gap of B by the kernel's times: %lld us\n", static_cast<long long>(gapUs));
    check("chatter: the bounce's gap, by the kernel's times, is below 30 ms", gapUs >= 0 && gapUs < 30000);

    // Another keyboard: its key reaches its reader, not the page.
    keyPressesOn(otherEvents, KEY_Z);
    const bool typed = writeReport(other, keys({0x1d})) && writeReport(other, keys({}));
    bool delivered = false;
    for (int i = 0; i < 40 && !delivered; ++i) {
        QTest::qWait(50);
        delivered = keyPressesOn(otherEvents, KEY_Z) > 0;
    }
    QTest::qWait(300);
    check("a key of a second keyboard reaches that keyboard's reader", typed && delivered);
    check("a key of a second keyboard does not light the page", run.state(0x1d) == kUntested);

    // Caps Lock: the unit's LED report follows, and the indicator.
    const int kCaps = 0x39;
    lastLedReport(boot, 300);
    run.send(keys({kCaps}), {kCaps}, kDown);
    run.send(keys({}), {kCaps}, kReleased);
    const int ledOn = lastLedReport(boot, kShownWithinMs);
    check("Caps Lock: the gadget gets an LED report with Caps Lock on", ledOn >= 0 && (ledOn & 0x02) != 0);
    keyboardButCustom *capsIndicator = run.page()->keyButton(-12);
    check("Caps Lock: the page's indicator on", capsIndicator && lockShowsOn(capsIndicator));
    run.send(keys({kCaps}), {kCaps}, kDown);
    run.send(keys({}), {kCaps}, kReleased);
    const int ledOff = lastLedReport(boot, kShownWithinMs);
    check("Caps Lock again: the LED report with Caps Lock off", ledOff >= 0 && (ledOff & 0x02) == 0);
    check("Caps Lock again: the indicator off", capsIndicator && lockShowsOff(capsIndicator));

    // Latency: report written on the gadget to the key's new state on the page.
    std::vector<double> ms;
    std::vector<double> fromEvent;
    int lost = 0;
    for (int i = 0; i < reports; ++i) {
        const std::uint8_t usage = std::uint8_t(0x04 + (i / 2) % 26);
        const bool press = i % 2 == 0;
        lost += run.timed(press ? keys({usage}) : keys({}), press, &ms, &fromEvent) ? 0 : 1;
    }
    std::printf("VM-FIGURE kernel input event to the key's state on the page (device capture), %zu events under "
                "TCG: median %.2f ms, p99 %.2f ms\n",
                fromEvent.size(), percentile(fromEvent, 0.5), percentile(fromEvent, 0.99));
    std::printf("VM-FIGURE boot report on the gadget to the key's state on the page, %zu reports under TCG: "
                "median %.2f ms, p99 %.2f ms, max %.2f ms, lost %d\n",
                ms.size(), percentile(ms, 0.5), percentile(ms, 0.99), percentile(ms, 1.0), lost);
    check("latency run: no report lost", lost == 0 && int(ms.size()) == reports);
    close(boot);
    close(other);
    close(otherEvents);
    return 0;
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
