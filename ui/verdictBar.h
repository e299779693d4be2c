#pragma once

#include "verdictCriteria.h"
#include "verdictText.h"

#include <QFrame>
#include <QString>

class QLabel;
class QLineEdit;
class UnitVerdict;

// The unit's verdict above the keys, readable from across the bench: neutral
// with the keys done while the unit is tested, PASS on green, FAIL and its
// first reasons on red. With serial labels asked for, it also holds the field
// a barcode scanner types the next unit's serial into.
class VerdictBar : public QFrame
{
    Q_OBJECT

public:
    explicit VerdictBar(QWidget *parent = nullptr);

    // The station's criteria: serial=off hides the serial field; settings
    // not understood are told while no unit is connected too.
    void setCriteria(const VerdictCriteria &criteria);
    bool asksForSerial() const { return m_serialMode != VerdictCriteria::Serial::Off; }
    // Connected: a serial given belongs to the unit under test and stays as
    // it is; without one the field waits for a scan (it reaches the field
    // where capture leaves the station's other keyboards alone).
    // Not connected: the field is emptied for the next unit and takes the
    // keyboard focus, so the operator scans, then plugs.
    void setUnitConnected(bool connected);
    // Empty while the field holds a serial longer than it takes: that one is
    // refused, with a message on the bar, not cut short.
    QString serial() const;
    // The text shown, before it is cut to the bar's width.
    QString text() const { return m_text; }

    // The verdict as it stands, null while no unit is connected, when it
    // changed since it was last shown (or always, with force: a language
    // switch). True when its state changed, a unit coming or going included.
    bool showVerdict(const UnitVerdict *verdict, const KeyNamer &keyName, bool force = false);

    // The reasons' words in the language in force.
    static VerdictWords translatedWords();

signals:
    // A serial scanned or typed while a unit without one is connected.
    void serialEntered(const QString &serial);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void checkSerial();
    static QString serialRefusal();
    void showUnit(const UnitVerdict *verdict, const KeyNamer &keyName);
    void showText(const QString &text, const char *sheet);
    void elide();

    QLabel *m_verdict = nullptr;
    QLabel *m_serialTitle = nullptr;
    QLineEdit *m_serial = nullptr;
    VerdictCriteria::Serial m_serialMode = VerdictCriteria::Serial::Off;
    bool m_serialRefused = false;
    std::vector<std::string> m_notUnderstood;
    QString m_text;
    bool m_unitConnected = false;
    // What is shown: the verdict's revision and state, -1 for no unit.
    long long m_shownRevision = -2;
    int m_shownState = -2;
};
