#include "GlobalApplication.h"
#include "closeDeadline.h"
#include "closeOnSessionEnd.h"
#include "commandLine.h"
#include "debugLog.h"
#include "fontSubstitutes.h"
#include "headlessPlatform.h"
#include "languageName.h"
#include "mainPageDia.h"
#include "programConsole.h"
#include "reportCommand.h"
#include "resultStore.h"
#include "resultsCommand.h"
#include "runningMarker.h"
#include "sessionEndWatcher.h"
#include "singleInstanceGuard.h"
#include "toolVersion.h"

#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QLocale>
#include <QTextStream>

#include <cstdlib>
#include <memory>

namespace {

// The longest a close may take once asked for: the link and the light let go,
// the store's writer done (a unit it cannot write within about a second goes
// to the fallback file) and the line store's sender joined (its connect gives
// up after a few seconds).
constexpr int CloseBoundMs = 10000;
// Inside Windows's WM_ENDSESSION: how long the store may take for what the
// window handed it last.
constexpr int SessionEndFlushMs = 3000;

} // namespace

int main(int argc, char *argv[])
{
    // The settings, the log and the station store live in a folder named after
    // the program, whatever its file is called (the Linux package installs it
    // as tavrin-keyboard-test), so a renamed copy keeps the same records.
    QCoreApplication::setApplicationName(QStringLiteral("TavrinKeyboardTest"));

    // Every mode of the command line is for a shell: no window, no guard (the
    // window may well be running) and no display.
    CommandLine commandLine(QStringLiteral("Tests USB keyboards at a production line or a service bench."),
                            QStringLiteral("TavrinKeyboardTest ") + toolVersion::text());
    resultsCommand::addTo(commandLine);
    reportCommand::addTo(commandLine);
    if (commandLine.parse(programConsole::arguments(argc, argv)) == CommandLine::Outcome::Command) {
        programConsole::useParentConsole();
        // A mode that draws (the report) gets widgets, on a platform that
        // needs no display.
        if (commandLine.drawsPictures())
            headlessPlatform::choose();
        std::unique_ptr<QCoreApplication> app(commandLine.drawsPictures() ? new QApplication(argc, argv)
                                                                          : new QCoreApplication(argc, argv));
        // The descriptors, which the console was bound to, not the C streams.
        QFile outFile;
        QFile errFile;
        outFile.open(1, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
        errFile.open(2, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
        QTextStream out(&outFile);
        QTextStream err(&errFile);
        return commandLine.run(out, err);
    }

    // Until the running copy opens its log file, lines go to standard error.
    DebugLog::install();

    SingleInstanceGuard guard(QStringLiteral("TavrinKeyboardTest1.0"));
    if (!guard.acquire()) {
        qDebug() << "--------------- EXE already runing -----------------";
        return -1;
    }
    const RunningMarker runningMarker;

    // The window never draws with OpenGL, yet on X11 Qt loads the GL driver at
    // start-up, and with it the driver's LLVM: some 50 MB resident for nothing.
    // An operator who does want GL integration can still set the variable.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");

    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);

    int exitCode = 0;
    {
        GlobalApplication app(argc, argv);
        // Only the copy that holds the guard writes the file, so two processes
        // never rotate it under each other.
        DebugLog::instance()->openFile(DebugLog::defaultFilePath());
        installFontSubstitutes();

        const QLocale system = QLocale::system();
        const QString language = languageName(system.language(), system.country());

        // A shutdown, a logout or a kill closes the window as its close button
        // does, so the unit connected then is recorded before the process
        // ends. Watched before the window exists: a request that comes while
        // it connects a keyboard waits for the event loop.
        SessionEndWatcher endWatcher;
        QString watchError;
        if (!endWatcher.start(&watchError))
            qDebug().noquote() << QStringLiteral("---------- *** the program cannot close itself on a shutdown: %1 "
                                                 "*** ----------")
                                      .arg(watchError);

        // Declared before the window, so it still bounds the window's
        // destruction, where the store's threads are joined.
        CloseDeadline deadline([] {
            // The disk may be what held the close up: the line gets a second.
            DebugLog::instance()->writeLast(QtDebugMsg,
                                            QStringLiteral("---------- *** the close took more than %1 s; the "
                                                           "process ends now *** ----------")
                                                .arg(CloseBoundMs / 1000),
                                            1000);
            std::_Exit(EXIT_FAILURE);
        });
        // Declared after the application object, so destroyed before it.
        mainPageDia window;
        closeOnSessionEnd(
            endWatcher, window, [&deadline] { deadline.arm(CloseBoundMs); },
            [&window] {
                if (auto *store = window.findChild<ResultStore *>())
                    store->flush(SessionEndFlushMs);
            });
        window.init(language);
        window.show();
        exitCode = app.exec();
        deadline.arm(CloseBoundMs);
    }
    // The log's writer is joined as the process ends, past the close's bound:
    // a disk that has stopped must not keep the process from ending.
    if (!DebugLog::instance()->flush(2000)) {
        guard.release();
        std::_Exit(exitCode);
    }
    // The guard goes last, as main returns, and gives the segment up.
    return exitCode;
}
