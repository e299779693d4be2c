#include "mainPageDia.h"

#include "translationSwitch.h"
#include "ui_mainPageDia.h"

#include <QCoreApplication>
#include <QIcon>
#include <QTranslator>

mainPageDia::mainPageDia(QWidget *parent) : QDialog(parent), ui(new Ui::mainPageDia)
{
    ui->setupUi(this);

    setWindowFlags(Qt::Dialog | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(":/images/Keyboard.png"));
    setFixedSize(1005, 680);
}

mainPageDia::~mainPageDia()
{
    // The translator outlives every text it served; taking it out of the
    // application here keeps a later window from inheriting a dangling one.
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator);
        delete m_translator;
    }
    delete ui;
}

void mainPageDia::init(QString language)
{
    if (!translationSwitch::apply(m_translator, QCoreApplication::applicationDirPath(), language))
        return;

    ui->retranslateUi(this);
    setWindowTitle(tr("Tavrin Keyboard Test") + " V1.01.08");
}
