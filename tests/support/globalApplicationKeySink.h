#pragma once

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

// A widget that records the key events it is given and answers event() with a
// chosen result, so a test can see what reached it and what the delivery returned.
class GlobalApplicationKeySink : public QWidget
{
public:
    struct Seen
    {
        QEvent::Type type;
        int key;
        Qt::KeyboardModifiers modifiers;
        bool autoRepeat;
    };

    bool eventResult = true;
    QList<Seen> seen;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            const auto *key = static_cast<QKeyEvent *>(event);
            seen.append({key->type(), key->key(), key->modifiers(), key->isAutoRepeat()});
            return eventResult;
        }
        return QWidget::event(event);
    }
};
