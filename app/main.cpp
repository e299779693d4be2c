#include "GlobalApplication.h"
#include "debugLog.h"
#include "fontSubstitutes.h"
#include "languageName.h"
#include "mainPageDia.h"
#include "singleInstanceGuard.h"

#include <QDebug>
#include <QLocale>

int main(int argc, char *argv[])
{
    // Until the running copy opens its log file, lines go to standard error.
    DebugLog::install();

    SingleInstanceGuard guard(QStringLiteral("TavrinKeyboardTest1.0"));
    if (!guard.acquire()) {
        qDebug() << "--------------- EXE already runing -----------------";
        return -1;
    }

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

        // Declared after the application object, so destroyed before it.
        mainPageDia window;
        window.init(language);
        window.show();
        exitCode = app.exec();
    }
    // The guard goes last, as main returns, and gives the segment up.
    return exitCode;
}
