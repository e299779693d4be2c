#include "framePacing.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>

namespace {

constexpr double FallbackHz = 60.0;

std::int64_t frameUsOf(const QWidget *window)
{
    const QScreen *screen = window->screen();
    const double hz = screen ? screen->refreshRate() : FallbackHz;
    return std::int64_t(1e6 / (hz >= 10.0 && hz <= 1000.0 ? hz : FallbackHz));
}

} // namespace

FramePacing::FramePacing(QWidget *window) : QObject(window), m_window(window), m_pacer(frameUsOf(window))
{
    m_clock.start();
    m_held.setSingleShot(true);
    m_held.setTimerType(Qt::PreciseTimer);
    // The request held back is asked again; the filter then lets it through.
    connect(&m_held, &QTimer::timeout, this,
            [this] { QCoreApplication::postEvent(m_window, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority); });
    window->installEventFilter(this);
}

bool FramePacing::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window || event->type() != QEvent::UpdateRequest)
        return false;
    const std::int64_t nowUs = m_clock.nsecsElapsed() / 1000;
    const std::int64_t holdUs = m_pacer.holdUs(nowUs);
    if (holdUs == 0) {
        m_pacer.painted(nowUs);
        return false;
    }
    if (!m_held.isActive())
        m_held.start(int((holdUs + 999) / 1000));
    return true;
}
