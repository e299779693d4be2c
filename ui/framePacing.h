#pragma once

#include "framePacer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

// Holds a window's repaints to one per frame of its screen (FramePacer): it
// watches the window for the toolkit's request to repaint, lets it through or
// holds it until the frame is over, and then asks again, so every change made
// meanwhile is painted together. A child of the window it paces.
class FramePacing : public QObject
{
    Q_OBJECT

public:
    explicit FramePacing(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    FramePacer m_pacer;
    QElapsedTimer m_clock;
    QTimer m_held;
};
