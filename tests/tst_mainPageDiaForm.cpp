// The main window's form: every other part of the tool reaches its widgets by
// object name, so the tree, the classes, the geometry limits, the style sheets
// and the texts are an interface and are checked here row by row.
#include "mainPageDiaFormHost.h"
#include "ui_mainPageDia.h"

#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QSpacerItem>
#include <QStyle>
#include <QtTest>

Q_DECLARE_METATYPE(QMargins)

namespace {
const int kNoMax = 16777215;
// A margin the style decides.
const int kDefault = -1;

QString itemName(QLayoutItem *item)
{
    if (item->widget())
        return item->widget()->objectName();
    if (item->spacerItem())
        return QStringLiteral("spacer");
    if (item->layout())
        return item->layout()->objectName();
    return QString();
}

QString yahei(const char *sheet)
{
    return QString::fromUtf8(sheet);
}
} // namespace

class tst_mainPageDiaForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void property_data();
    void property();
    void objectNamesAreUnique();
    void spacersAreHorizontalAndExpanding();
    void retranslateRestoresTexts();
    void slotsConnectByObjectName_data();
    void slotsConnectByObjectName();

private:
    QDialog m_dialog;
    Ui::mainPageDia m_ui;
};

void tst_mainPageDiaForm::initTestCase()
{
    m_ui.setupUi(&m_dialog);
}

void tst_mainPageDiaForm::property_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("expected");

    auto row = [](const char *object, const char *property, const QVariant &expected) {
        QTest::addRow("%s %s", object, property) << QString(object) << QByteArray(property) << expected;
    };

    // Classes, the whole tree.
    const QList<QPair<const char *, const char *>> classes = {
        {"mainPageDia", "QDialog"},
        {"verticalLayout", "QVBoxLayout"},
        {"frame_Main", "QFrame"},
        {"verticalLayout_2", "QVBoxLayout"},
        {"frame_Top", "QFrame"},
        {"horizontalLayout", "QHBoxLayout"},
        {"label", "QLabel"},
        {"lineEdit_Vid", "QLineEdit"},
        {"label_2", "QLabel"},
        {"lineEdit_Pid", "QLineEdit"},
        {"checkBox_Lock", "QCheckBox"},
        {"comboBox_VidPidList", "QComboBox"},
        {"label_Connect", "QLabel"},
        {"label_ConnectStatus", "QLabel"},
        {"frame_16", "QFrame"},
        {"horizontalLayout_14", "QHBoxLayout"},
        {"label_19", "QLabel"},
        {"label_ConnectNum", "QLabel"},
        {"label_17", "QLabel"},
        {"label_DisconNum", "QLabel"},
        {"radioButton_ChineseSM", "QRadioButton"},
        {"radioButton_English", "QRadioButton"},
        {"frame_Center", "QFrame"},
        {"verticalLayout_5", "QVBoxLayout"},
        {"frame_Keyboard", "QFrame"},
        {"verticalLayout_6", "QVBoxLayout"},
        {"frame_7", "QFrame"},
        {"horizontalLayout_6", "QHBoxLayout"},
        {"label_PressKeyNum", "QLabel"},
        {"frame_15", "QFrame"},
        {"horizontalLayout_13", "QHBoxLayout"},
        {"pushButton_ResetKeyboard", "QPushButton"},
        {"label_PressNum", "QLabel"},
        {"label_ConnectStatus_02", "QLabel"},
        {"radioButton_DealConnect", "QRadioButton"},
        {"label_484MagneticCalibrationStatus", "QLabel"},
        {"label_ProductionTesting", "QLabel"},
        {"pushBut_IRKeyTest", "QPushButton"},
        {"frame_Bottom", "QFrame"},
        {"horizontalLayout_2", "QHBoxLayout"},
        {"frame", "QFrame"},
        {"verticalLayout_3", "QVBoxLayout"},
        {"frame_5", "QFrame"},
        {"horizontalLayout_5", "QHBoxLayout"},
        {"label_6", "QLabel"},
        {"label_Manufacturer", "QLabel"},
        {"frame_2", "QFrame"},
        {"horizontalLayout_4", "QHBoxLayout"},
        {"label_7", "QLabel"},
        {"label_Product", "QLabel"},
        {"frame_4", "QFrame"},
        {"horizontalLayout_3", "QHBoxLayout"},
        {"label_4", "QLabel"},
        {"label_Model", "QLabel"},
        {"frame_6", "QFrame"},
        {"horizontalLayout_7", "QHBoxLayout"},
        {"label_8", "QLabel"},
        {"label_Version", "QLabel"},
        {"frame_13", "QFrame"},
        {"verticalLayout_7", "QVBoxLayout"},
        {"frame_10", "QFrame"},
        {"horizontalLayout_8", "QHBoxLayout"},
        {"label_5", "QLabel"},
        {"label_16", "QLabel"},
        {"radioButton_RGB", "QRadioButton"},
        {"label_15", "QLabel"},
        {"radioButton_R", "QRadioButton"},
        {"radioButton_G", "QRadioButton"},
        {"radioButton_B", "QRadioButton"},
        {"radioButton_W", "QRadioButton"},
        {"frame_11", "QFrame"},
        {"horizontalLayout_9", "QHBoxLayout"},
        {"toolButton_LEDOpenOrClose", "QToolButton"},
        {"label_12", "QLabel"},
        {"frame_14", "QFrame"},
        {"horizontalLayout_11", "QHBoxLayout"},
        {"label_14", "QLabel"},
        {"toolButton_StartTest", "QToolButton"},
        {"toolButton_StopTest", "QToolButton"},
        {"frame_12", "QFrame"},
        {"horizontalLayout_12", "QHBoxLayout"},
        {"label_13", "QLabel"},
        {"frame_3", "QFrame"},
        {"verticalLayout_4", "QVBoxLayout"},
        {"radioButton_StandardTest", "QRadioButton"},
        {"radioButton_IrTest", "QRadioButton"},
        {"frame_9", "QFrame"},
        {"horizontalLayout_10", "QHBoxLayout"},
        {"frame_8", "QFrame"},
        {"label_3", "QLabel"},
        {"label_9", "QLabel"},
        {"label_11", "QLabel"},
        {"label_10", "QLabel"},
    };
    for (const auto &c : classes) {
        row(c.first, "class", QString(c.second));
        if (QByteArray(c.second) == "QFrame") {
            row(c.first, "frameShape", int(QFrame::StyledPanel));
            row(c.first, "frameShadow", int(QFrame::Raised));
        }
    }

    // Layouts: what they hold in which order, their spacing and margins
    // (left, top, right, bottom).
    struct LayoutRow
    {
        const char *name;
        QStringList items;
        int spacing;
        QMargins margins;
    };
    const QList<LayoutRow> layouts = {
        {"verticalLayout", {"frame_Main"}, 6, {0, 0, 0, 0}},
        {"verticalLayout_2", {"frame_Top", "frame_Center", "frame_Bottom", "frame_9"}, 0, {0, 0, 0, 0}},
        {"horizontalLayout",
         {"label", "lineEdit_Vid", "label_2", "lineEdit_Pid", "checkBox_Lock", "comboBox_VidPidList", "label_Connect",
          "label_ConnectStatus", "spacer", "frame_16", "spacer", "radioButton_ChineseSM", "radioButton_English"},
         10,
         {kDefault, 0, kDefault, 0}},
        {"horizontalLayout_14", {"label_19", "label_ConnectNum", "label_17", "label_DisconNum"}, 6, {11, 11, 11, 11}},
        {"verticalLayout_5", {"frame_Keyboard", "frame_7"}, 3, {0, 3, 0, 0}},
        {"verticalLayout_6", {}, 0, {0, 0, 0, 0}},
        {"horizontalLayout_6",
         {"label_PressKeyNum", "frame_15", "spacer", "label_PressNum", "label_ConnectStatus_02",
          "radioButton_DealConnect", "label_484MagneticCalibrationStatus", "spacer", "label_ProductionTesting",
          "pushBut_IRKeyTest"},
         6,
         {kDefault, 0, kDefault, 0}},
        {"horizontalLayout_13", {"pushButton_ResetKeyboard"}, 6, {15, 0, 0, 0}},
        {"horizontalLayout_2", {"frame", "frame_13", "frame_3"}, 0, {0, 0, 0, 0}},
        {"verticalLayout_3", {"frame_5", "frame_2", "frame_4", "frame_6"}, 0, {3, 0, 0, 0}},
        {"horizontalLayout_5", {"label_6", "label_Manufacturer"}, 6, {0, 0, 0, 0}},
        {"horizontalLayout_4", {"label_7", "label_Product"}, 6, {0, 0, 0, 0}},
        {"horizontalLayout_3", {"label_4", "label_Model"}, 6, {0, 0, 0, 0}},
        {"horizontalLayout_7", {"label_8", "label_Version"}, 6, {0, 0, 0, 0}},
        {"verticalLayout_7", {"frame_10", "frame_11", "frame_14", "frame_12"}, 0, {0, 0, 0, 0}},
        {"horizontalLayout_8",
         {"label_5", "label_16", "radioButton_RGB", "label_15", "radioButton_R", "radioButton_G", "radioButton_B",
          "radioButton_W"},
         3,
         {0, 0, 0, 0}},
        {"horizontalLayout_9", {"toolButton_LEDOpenOrClose", "label_12"}, 20, {9, 0, 0, 0}},
        {"horizontalLayout_11",
         {"label_14", "toolButton_StartTest", "toolButton_StopTest", "spacer"},
         15,
         {0, 3, 0, 0}},
        {"horizontalLayout_12", {"label_13"}, 0, {60, 0, 0, 0}},
        {"verticalLayout_4", {"radioButton_StandardTest", "radioButton_IrTest"}, 6, {kDefault, 0, kDefault, 0}},
        {"horizontalLayout_10", {"frame_8", "label_3", "label_9", "label_11", "label_10"}, 15, {3, 0, 0, 0}},
    };
    for (const LayoutRow &l : layouts) {
        row(l.name, "items", l.items);
        row(l.name, "spacing", l.spacing);
        row(l.name, "margins", QVariant::fromValue(l.margins));
    }
    // Which widget each layout manages.
    const QList<QPair<const char *, const char *>> owners = {
        {"verticalLayout", "mainPageDia"},      {"verticalLayout_2", "frame_Main"},
        {"horizontalLayout", "frame_Top"},      {"horizontalLayout_14", "frame_16"},
        {"verticalLayout_5", "frame_Center"},   {"verticalLayout_6", "frame_Keyboard"},
        {"horizontalLayout_6", "frame_7"},      {"horizontalLayout_13", "frame_15"},
        {"horizontalLayout_2", "frame_Bottom"}, {"verticalLayout_3", "frame"},
        {"horizontalLayout_5", "frame_5"},      {"horizontalLayout_4", "frame_2"},
        {"horizontalLayout_3", "frame_4"},      {"horizontalLayout_7", "frame_6"},
        {"verticalLayout_7", "frame_13"},       {"horizontalLayout_8", "frame_10"},
        {"horizontalLayout_9", "frame_11"},     {"horizontalLayout_11", "frame_14"},
        {"horizontalLayout_12", "frame_12"},    {"verticalLayout_4", "frame_3"},
        {"horizontalLayout_10", "frame_9"},
    };
    for (const auto &o : owners)
        row(o.first, "owner", QString(o.second));

    // Geometry limits.
    row("mainPageDia", "size", QSize(1104, 680));
    row("frame_Top", "minimumSize", QSize(0, 70));
    row("frame_Top", "maximumSize", QSize(kNoMax, 70));
    row("lineEdit_Vid", "minimumSize", QSize(75, 0));
    row("lineEdit_Vid", "maximumSize", QSize(80, kNoMax));
    row("lineEdit_Vid", "maxLength", 6);
    row("lineEdit_Pid", "minimumSize", QSize(75, 0));
    row("lineEdit_Pid", "maximumSize", QSize(80, kNoMax));
    row("lineEdit_Pid", "maxLength", 6);
    row("comboBox_VidPidList", "minimumSize", QSize(165, 0));
    row("label_Connect", "minimumSize", QSize(30, 0));
    row("label_ConnectNum", "minimumSize", QSize(22, 0));
    row("label_DisconNum", "minimumSize", QSize(22, 0));
    row("frame_7", "maximumSize", QSize(kNoMax, 45));
    row("label_PressKeyNum", "minimumSize", QSize(60, 0));
    row("pushButton_ResetKeyboard", "minimumSize", QSize(180, 35));
    row("pushBut_IRKeyTest", "minimumSize", QSize(150, 35));
    row("frame_Bottom", "minimumSize", QSize(0, 130));
    row("frame_Bottom", "maximumSize", QSize(kNoMax, 130));
    row("frame", "minimumSize", QSize(250, 0));
    for (const char *caption : {"label_6", "label_7", "label_4", "label_8"}) {
        row(caption, "maximumSize", QSize(75, kNoMax));
        row(caption, "alignment", int(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter));
    }
    row("frame_13", "maximumSize", QSize(410, kNoMax));
    row("label_16", "maximumSize", QSize(10, kNoMax));
    row("label_15", "maximumSize", QSize(10, kNoMax));
    row("toolButton_LEDOpenOrClose", "iconSize", QSize(50, 20));
    row("toolButton_LEDOpenOrClose", "iconImage", QString(":/images/TestClose.png"));
    row("toolButton_StartTest", "minimumSize", QSize(70, 0));
    row("toolButton_StopTest", "minimumSize", QSize(70, 0));
    row("frame_3", "minimumSize", QSize(200, 0));
    row("frame_3", "maximumSize", QSize(200, kNoMax));
    row("frame_9", "maximumSize", QSize(kNoMax, 30));
    row("frame_8", "maximumSize", QSize(28, 30));

    // Alignment and text format.
    for (const char *centred : {"label_ConnectStatus", "label_PressKeyNum", "label_PressNum", "label_12", "label_13"})
        row(centred, "alignment", int(Qt::AlignCenter));
    row("label_11", "textFormat", int(Qt::PlainText));

    // Widgets the window hides must give their room to the others.
    for (const char *hidden :
         {"frame_16", "checkBox_Lock", "label_PressNum", "label_ConnectStatus_02", "radioButton_DealConnect"})
        row(hidden, "retainSizeWhenHidden", false);

    // Style sheets, byte for byte.
    const QString yh14 = yahei("font: 75 14pt \"微软雅黑\";");
    row("mainPageDia", "styleSheet", QString());
    row("frame_Main", "styleSheet",
        QString("QFrame#frame_Top\n{\n\t border: none;\n     border-bottom: 0px solid #2621b4;\n \t border-top: 0px "
                "solid #2621b4;\n\n\t background-color: rgb(208, 213, 219);\n}\n\nQFrame#frame_Center\n{\n\t border: "
                "none;\n     border-bottom: 0px solid #2621b4;\n}\n\nQFrame#frame_Bottom\n{\n\t border: none;\n     "
                "border-bottom: 1px solid #959595;\n\t\n}"));
    row("frame_Top", "styleSheet", yh14);
    row("pushButton_ResetKeyboard", "styleSheet", yh14);
    row("pushBut_IRKeyTest", "styleSheet", yh14);
    row("frame_Center", "styleSheet", QString());
    row("frame_Bottom", "styleSheet", yahei("\n\tfont: 75 14pt \"微软雅黑\";\n\n"));
    row("frame_9", "styleSheet", yahei("font: 75 11pt \"微软雅黑\";"));
    row("label_ConnectStatus", "styleSheet", QString("QLabel#label_ConnectStatus\n{\n\tcolor: rgb(9, 109, 9);\n}"));
    row("frame_7", "styleSheet", QString("QFrame#frame_7\n{\n\tbackground-color: rgb(180, 180, 180);\n}"));
    row("label_PressKeyNum", "styleSheet", yahei("font: 75 20pt \"微软雅黑\";\ncolor: rgb(198, 9, 44);"));
    row("label_PressNum", "styleSheet", yahei("font: 75 20pt \"微软雅黑\";\ncolor: rgb(16, 113, 9);"));
    row("label_484MagneticCalibrationStatus", "styleSheet",
        yahei("QLabel#label_484MagneticCalibrationStatus\n{\n\tfont: 75 16pt \"微软雅黑\";\n\tcolor: rgb(9, 115, "
              "9);\n}"));
    row("label_ProductionTesting", "styleSheet", yahei("font: 75 16pt \"微软雅黑\";\ncolor: rgb(9, 115, 9);"));
    row("frame", "styleSheet", QString("QFrame#frame{\n border: none;\n border-right: 1px solid #959595;\n}\t\n"));
    row("toolButton_LEDOpenOrClose", "styleSheet", QString("QToolButton\n{\n    background-color:transparent;\n}"));
    row("frame_14", "styleSheet",
        QString("QFrame#frame_14\n{\n\t border: none;\n     border-top: 1px solid #959595;\n}"));
    row("toolButton_StartTest", "styleSheet",
        QString("color: rgb(25, 131, 8);\n/*\n\tborder-radius:7px;\n\tbackground-color: rgb(250, 250, 250);\n\tborder: "
                "1px solid rgb(195, 160, 129);\t\n*/"));
    row("toolButton_StopTest", "styleSheet",
        QString("color: rgb(255, 18, 2);\n/*\n\tborder-radius:7px;\n\tbackground-color: rgb(250, 250, 250);\n\tborder: "
                "1px solid rgb(195, 160, 129);\t\n*/"));
    row("frame_3", "styleSheet",
        QString("QFrame#frame_3\n{\n\t border: none;\n     border-left: 1px solid #959595;\n}"));
    row("frame_8", "styleSheet", QString("border-image: url(:/images/app.ico);"));
    row("radioButton_StandardTest", "styleSheet", QString());

    // Texts with no translation installed.
    row("mainPageDia", "windowTitle", QString("mainPageDia"));
    const QList<QPair<const char *, const char *>> texts = {
        {"label", "VID:"},
        {"lineEdit_Vid", "0x0416"},
        {"label_2", "PID:"},
        {"lineEdit_Pid", "0xb23c"},
        {"checkBox_Lock", "Lock"},
        {"label_Connect", ""},
        {"label_ConnectStatus", "Default"},
        {"label_19", "连接："},
        {"label_ConnectNum", "0"},
        {"label_17", "  断开："},
        {"label_DisconNum", "0"},
        {"radioButton_ChineseSM", "中文"},
        {"radioButton_English", "English"},
        {"label_PressKeyNum", "0"},
        {"pushButton_ResetKeyboard", "Restore factory"},
        {"label_PressNum", "0"},
        {"label_ConnectStatus_02", "Connect Status"},
        {"radioButton_DealConnect", "断开重连后的处理"},
        {"label_484MagneticCalibrationStatus", "Magnetic already calibrated"},
        {"label_ProductionTesting", "Production testing ..."},
        {"pushBut_IRKeyTest", "Key test"},
        {"label_6", "MFRS:"},
        {"label_Manufacturer", "Nuvoton---Test"},
        {"label_7", "PROD:"},
        {"label_Product", "Gameing Keyboard---Test"},
        {"label_4", "F/W:"},
        {"label_Model", "keyboard-Model---Test"},
        {"label_8", "VER:"},
        {"label_Version", "1.0.0.0---Test"},
        {"label_5", "Light Test:"},
        {"label_16", ""},
        {"radioButton_RGB", "RGB"},
        {"label_15", ""},
        {"radioButton_R", "R"},
        {"radioButton_G", "G"},
        {"radioButton_B", "B"},
        {"radioButton_W", "W"},
        {"toolButton_LEDOpenOrClose", ""},
        {"label_12", "Ctrl+ ←/→ Change LED color"},
        {"label_14", "Keyboard test："},
        {"toolButton_StartTest", "Start"},
        {"toolButton_StopTest", "Stop"},
        {"label_13", "Ctrl+Space Restart test"},
        {"radioButton_StandardTest", "Keyboard test"},
        {"radioButton_IrTest", "IR/HE test"},
        {"label_3", "Tavrin Electronics"},
        {"label_9", "Call: +00 000 0000 000"},
        {"label_11", "Email: support@example.com"},
        {"label_10", "https://www.example.com"},
    };
    for (const auto &t : texts)
        row(t.first, "text", QString::fromUtf8(t.second));
}

void tst_mainPageDiaForm::property()
{
    QFETCH(QString, object);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, expected);

    QObject *o = object == "mainPageDia" ? &m_dialog : m_dialog.findChild<QObject *>(object);
    QVERIFY2(o, qPrintable("no object " + object));
    auto *widget = qobject_cast<QWidget *>(o);
    auto *layout = qobject_cast<QLayout *>(o);

    if (property == "class") {
        QCOMPARE(QString(o->metaObject()->className()), expected.toString());
    } else if (property == "frameShape" || property == "frameShadow") {
        auto *frame = qobject_cast<QFrame *>(o);
        QVERIFY(frame);
        QCOMPARE(int(property == "frameShape" ? frame->frameShape() : frame->frameShadow()), expected.toInt());
    } else if (property == "alignment") {
        auto *label = qobject_cast<QLabel *>(o);
        QVERIFY(label);
        QCOMPARE(int(label->alignment()), expected.toInt());
    } else if (property == "textFormat") {
        auto *label = qobject_cast<QLabel *>(o);
        QVERIFY(label);
        QCOMPARE(int(label->textFormat()), expected.toInt());
    } else if (property == "items") {
        QVERIFY(layout);
        QStringList items;
        for (int i = 0; i < layout->count(); ++i)
            items << itemName(layout->itemAt(i));
        QCOMPARE(items, expected.toStringList());
    } else if (property == "owner") {
        QVERIFY(layout);
        QVERIFY(layout->parentWidget());
        QCOMPARE(layout->parentWidget()->objectName(), expected.toString());
        QCOMPARE(layout->parentWidget()->layout(), layout);
    } else if (property == "margins") {
        QVERIFY(layout);
        QMargins want = expected.value<QMargins>();
        // Margins left to the style resolve to the style's layout margins.
        QWidget *owner = layout->parentWidget();
        QStyle *style = owner->style();
        if (want.left() == kDefault)
            want.setLeft(style->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, owner));
        if (want.top() == kDefault)
            want.setTop(style->pixelMetric(QStyle::PM_LayoutTopMargin, nullptr, owner));
        if (want.right() == kDefault)
            want.setRight(style->pixelMetric(QStyle::PM_LayoutRightMargin, nullptr, owner));
        if (want.bottom() == kDefault)
            want.setBottom(style->pixelMetric(QStyle::PM_LayoutBottomMargin, nullptr, owner));
        QCOMPARE(layout->contentsMargins(), want);
    } else if (property == "retainSizeWhenHidden") {
        QVERIFY(widget);
        QCOMPARE(widget->sizePolicy().retainSizeWhenHidden(), expected.toBool());
    } else if (property == "iconImage") {
        auto *button = qobject_cast<QAbstractButton *>(o);
        QVERIFY(button);
        QVERIFY(!button->icon().isNull());
        const QImage shown = button->icon().pixmap(button->iconSize()).toImage();
        const QImage want = QIcon(expected.toString()).pixmap(button->iconSize()).toImage();
        QVERIFY(!want.isNull());
        QCOMPARE(shown, want);
    } else {
        const QVariant actual = o->property(property.constData());
        QVERIFY2(actual.isValid(), property.constData());
        QCOMPARE(actual, expected);
    }
}

void tst_mainPageDiaForm::objectNamesAreUnique()
{
    QSet<QString> seen;
    const QList<QObject *> all = m_dialog.findChildren<QObject *>();
    for (QObject *o : all) {
        if (o->objectName().isEmpty() || o->objectName().startsWith("qt_"))
            continue;
        QVERIFY2(!seen.contains(o->objectName()), qPrintable(o->objectName()));
        seen.insert(o->objectName());
    }
    // The tree above names 92 objects besides the dialog.
    QCOMPARE(seen.size(), 92);
}

void tst_mainPageDiaForm::spacersAreHorizontalAndExpanding()
{
    int spacers = 0;
    for (QLayout *layout : m_dialog.findChildren<QLayout *>()) {
        for (int i = 0; i < layout->count(); ++i) {
            QSpacerItem *spacer = layout->itemAt(i)->spacerItem();
            if (!spacer)
                continue;
            ++spacers;
            QCOMPARE(spacer->sizeHint(), QSize(40, 20));
            QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
            QCOMPARE(spacer->expandingDirections(), Qt::Horizontal);
        }
    }
    QCOMPARE(spacers, 5);
}

void tst_mainPageDiaForm::retranslateRestoresTexts()
{
    QDialog dialog;
    Ui::mainPageDia ui;
    ui.setupUi(&dialog);

    ui.lineEdit_Vid->setText("0x1fc9");
    ui.lineEdit_Pid->setText("0xe8c7");
    ui.label_Manufacturer->setText("-----------");
    ui.label_Version->setText("-----------");
    ui.label_PressKeyNum->setText("37");
    ui.label_ConnectStatus->setText("Connect success");
    dialog.setWindowTitle("something else");

    ui.retranslateUi(&dialog);

    QCOMPARE(ui.lineEdit_Vid->text(), QString("0x0416"));
    QCOMPARE(ui.lineEdit_Pid->text(), QString("0xb23c"));
    QCOMPARE(ui.label_Manufacturer->text(), QString("Nuvoton---Test"));
    QCOMPARE(ui.label_Version->text(), QString("1.0.0.0---Test"));
    QCOMPARE(ui.label_PressKeyNum->text(), QString("0"));
    QCOMPARE(ui.label_ConnectStatus->text(), QString("Default"));
    QCOMPARE(dialog.windowTitle(), QString("mainPageDia"));
}

void tst_mainPageDiaForm::slotsConnectByObjectName_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("english");
    QTest::addColumn<int>("led");

    QTest::newRow("start test") << "toolButton_StartTest" << 1 << 0 << 0;
    QTest::newRow("english language") << "radioButton_English" << 0 << 1 << 0;
    QTest::newRow("light button") << "toolButton_LEDOpenOrClose" << 0 << 0 << 1;
    QTest::newRow("unconnected stop") << "toolButton_StopTest" << 0 << 0 << 0;
}

void tst_mainPageDiaForm::slotsConnectByObjectName()
{
    QFETCH(QString, button);
    QFETCH(int, start);
    QFETCH(int, english);
    QFETCH(int, led);

    mainPageDiaFormHost host;
    Ui::mainPageDia ui;
    ui.setupUi(&host);

    auto *b = host.findChild<QAbstractButton *>(button);
    QVERIFY(b);
    b->click();
    QCOMPARE(host.startClicks, start);
    QCOMPARE(host.englishClicks, english);
    QCOMPARE(host.ledClicks, led);
}

QTEST_MAIN(tst_mainPageDiaForm)
#include "tst_mainPageDiaForm.moc"
