#include "GlobalApplication.h"

#include <QDebug>
#include <QKeyEvent>

GlobalApplication::GlobalApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool GlobalApplication::notify(QObject *receiver, QEvent *event)
{
    if (isCtrlAltSpacePress(event))
        qDebug() << "------------------- Alt + Space ---------------------";
    return QApplication::notify(receiver, event);
}

bool GlobalApplication::isCtrlAltSpacePress(const QEvent *event)
{
    if (!event || event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    return key->key() == Qt::Key_Space && key->modifiers() == (Qt::ControlModifier | Qt::AltModifier);
}
