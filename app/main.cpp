#include "GlobalApplication.h"
#include "commandLine.h"
#include "debugLog.h"
#include "fontSubstitutes.h"
#include "languageName.h"
#include "mainPageDia.h"
#include "programConsole.h"
#include "resultsCommand.h"
#include "runningMarker.h"
#include "sessionEndWatcher.h"
#include "singleInstanceGuard.h"
#include "toolVersion.h"

#include <QDebug>
#include <QFile>
#include <QLocale>
#include <QTextStream>

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
    if (commandLine.parse(programConsole::arguments(argc, argv)) == CommandLine::Outcome::Command) {
        programConsole::useParentConsole();
        QCoreApplication app(argc, argv);
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

        // Declared after the application object, so destroyed before it.
        mainPageDia window;
        QObject::connect(&endWatcher, &SessionEndWatcher::endRequested, &window, [&window](const QString &why) {
            // Whatever ends the process from here on (a second signal) finds
            // every line of the close on disk, none left in the queue.
            DebugLog::instance()->setWriteThrough();
            qDebug().noquote() << QStringLiteral("---------- *** %1: the window closes *** ----------").arg(why);
            window.close();
            // Also leaves any nested event loop, such as a dialog's.
            QCoreApplication::quit();
        });
        window.init(language);
        window.show();
        exitCode = app.exec();
    }
    // The guard goes last, as main returns, and gives the segment up.
    return exitCode;
}
