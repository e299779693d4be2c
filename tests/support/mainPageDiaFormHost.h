#pragma once

#include <QDialog>

// Stands in for the main window: a dialog with a few slots named after form
// objects, counting how often connect-by-name lets them run.
class mainPageDiaFormHost : public QDialog
{
    Q_OBJECT

public:
    int startClicks = 0;
    int englishClicks = 0;
    int ledClicks = 0;

public slots:
    void on_toolButton_StartTest_clicked() { ++startClicks; }
    void on_radioButton_English_clicked() { ++englishClicks; }
    void on_toolButton_LEDOpenOrClose_clicked() { ++ledClicks; }
};
