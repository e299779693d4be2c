// Renders the keyboard page alone, as the main window shows it once the layout
// file has loaded and the US variant is applied, into a PNG.
#include "keyboardPage.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s out.png\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);

    keyboardPage page;
    QObject::connect(&page, &keyboardPage::sigKeyboardAlreadyLoad, &page, [&page] {
        page.resetAlreadyPressedKeyNum();
        page.setNoSuchKeyList(keyboardPage::noSuchKeyListForVariant(0));
        page.clearAllKeyState();
    });
    page.resize(1005, 400);
    page.show();

    int rc = 0;
    QTimer::singleShot(300, &app, [&] {
        if (!page.grab().save(out)) {
            std::fprintf(stderr, "cannot write %s\n", argv[1]);
            rc = 1;
        }
        app.quit();
    });
    app.exec();
    return rc;
}
