// The tool's main window on the system's hidapi and the real udev presence,
// driven by object name the way an operator clicks: for the runs that need a
// button pressed (the key check, the magnetic production run) against a
// keyboard on a real kernel USB stack: the key check on the NUC121 keyboard,
// or the production run on the magnetic one. Prints one "VM-CHECK" line per
// check and exits 0 only when all of them held.
//
//   tkt_vm_window keycheck|magnetic
#include "GlobalApplication.h"
#include "keyboardPage.h"
#include "keyboardPageLayout.h"
#include "mainPageDia.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QStringList>
#include <QtTest>

#include <cstdio>

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
    if (mode != QLatin1String("keycheck") && mode != QLatin1String("magnetic")) {
        std::fprintf(stderr, "usage: %s keycheck|magnetic\n", argv[0]);
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
