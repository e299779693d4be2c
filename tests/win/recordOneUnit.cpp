// One unit recorded through the real window against the simulated keyboard,
// into the program's own station store: the application name is the
// program's, so the store is %LOCALAPPDATA%\TavrinKeyboardTest\UserConfig\
// results.sqlite, which the packaged program then exports and sums up
// (scripts/test-windows.sh). Prints the unit's id; exits 1 if it is not saved.
#include "keyboardPage.h"
#include "resultStore.h"
#include "simWindowHarness.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TavrinKeyboardTest"));
    simWindow::recordLog();
    sim::SimKeyboardConfig c;
    c.layout[0][0] = 0x04; // A
    sim::SimKeyboard kb = sim::SimKeyboard::plugIn(c);
    mainPageDia window;
    window.init(QStringLiteral("English"));
    window.show();
    QString unitId;
    QObject::connect(window.findChild<ResultStore *>(), &ResultStore::saved, [&](const QString &id) { unitId = id; });
    const bool ready = QTest::qWaitFor(
        [&] {
            return simWindow::isConnected(&window) &&
                   simWindow::logCount(QStringLiteral("Keyboard layout [Get Over]")) == 1 &&
                   window.findChild<keyboardPage *>()->keyButtonByKeyDec(0x04);
        },
        60000);
    window.handleHookKeyEvent(0, 0x41, 0x1E, 0x00, false);
    window.handleHookKeyEvent(0, 0x41, 0x1E, 0x80, false);
    kb.unplug();
    simWindow::presenceOf(&window)->injectUdevEvent(simWindow::usbEvent(c, 1, false));
    if (!ready || !QTest::qWaitFor([&] { return !unitId.isEmpty(); }, 30000)) {
        std::fprintf(stderr, "recordOneUnit: %s\n", ready ? "no unit saved" : "the keyboard was not connected");
        return 1;
    }
    std::printf("%s\n", qPrintable(unitId));
    return 0;
}
