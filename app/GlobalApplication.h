#pragma once

#include <QApplication>

class QEvent;

// The tool's application object. It only watches event delivery for one
// diagnostic key combination; every event is delivered unchanged.
class GlobalApplication : public QApplication
{
    Q_OBJECT
public:
    GlobalApplication(int &argc, char **argv);
    ~GlobalApplication() override = default;

    bool notify(QObject *receiver, QEvent *event) override;

    // True for a key press (auto-repeats included) of Space held with exactly
    // Control and Alt: no Shift, Meta or keypad modifier.
    static bool isCtrlAltSpacePress(const QEvent *event);
};
