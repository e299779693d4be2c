#pragma once

#include <QDialog>
#include <QString>

class QTranslator;

namespace Ui {
class mainPageDia;
}

// The tool's only window: the form with the device bar, the on-screen keyboard
// area, the test controls and the maker line.
class mainPageDia : public QDialog
{
    Q_OBJECT

public:
    explicit mainPageDia(QWidget *parent = nullptr);
    ~mainPageDia() override;

    // Switches the interface language and re-translates the window. With no
    // catalogue for `language` the window keeps the texts it shows.
    void init(QString language);

private:
    Ui::mainPageDia *ui;
    // Our one installed translator, replaced on every language switch.
    QTranslator *m_translator = nullptr;
};
