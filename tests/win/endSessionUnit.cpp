// A unit under test in the real window, against the simulated keyboard, when
// the Windows session ends (scripts/test-windows.sh runs wineboot
// --end-session beside it). The window is wired as the program wires it
// (closeOnSessionEnd), into the program's own station store, which a second
// connection holds locked, as a database browser with unsaved edits would.
// Windows may end the process as soon as WM_ENDSESSION is answered; Wine
// waits longer, so the process ends itself right then. By that moment the
// unit must be in the fallback file, ended "close". Prints "testing" once the
// unit runs; exits 1 if it never does.
#include "closeOnSessionEnd.h"
#include "resultStore.h"
#include "sessionEndWatcher.h"
#include "simWindowHarness.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TavrinKeyboardTest"));
    simWindow::recordLog();
    sim::SimKeyboard kb = sim::SimKeyboard::plugIn(sim::SimKeyboardConfig());
    SessionEndWatcher watcher;
    if (!watcher.start())
        return 1;
    mainPageDia window;
    auto *store = window.findChild<ResultStore *>();
    closeOnSessionEnd(
        watcher, window, [] {}, [store] { store->flush(3000); });
    QObject::connect(
        &watcher, &SessionEndWatcher::endingNow, &watcher, [] { std::_Exit(0); }, Qt::DirectConnection);
    window.init(QStringLiteral("English"));
    window.show();
    if (!QTest::qWaitFor([&] { return simWindow::isConnected(&window); }, 60000)) {
        std::fprintf(stderr, "endSessionUnit: the keyboard was not connected\n");
        return 1;
    }
    QSqlDatabase locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
    locker.setDatabaseName(store->filePath());
    if (!locker.open() || !QSqlQuery(locker).exec(QStringLiteral("BEGIN EXCLUSIVE"))) {
        std::fprintf(stderr, "endSessionUnit: the store could not be locked\n");
        return 1;
    }
    std::printf("testing\n");
    std::fflush(stdout);
    return app.exec();
}
