#pragma once

#include <QFrame>
#include <QPointer>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class ResultsView;

// The station's own controls, beside the keyboard variants: who is testing
// (entered or scanned once per shift, kept across starts as [station]
// operator=, empty allowed), and the station's Results one click away.
class StationTools : public QFrame
{
    Q_OBJECT

public:
    StationTools(QSettings &settings, const QString &storePath, QWidget *parent = nullptr);

    // As the next unit records it: empty when no operator is given.
    QString operatorName() const;

protected:
    void changeEvent(QEvent *event) override;

private:
    // Opens the Results view on today's units, or brings it forward.
    void openResults();
    void retranslate();

    QSettings &m_settings;
    QString m_storePath;
    QLabel *m_title = nullptr;
    QLineEdit *m_operator = nullptr;
    QPushButton *m_results = nullptr;
    QPointer<ResultsView> m_view;
};
