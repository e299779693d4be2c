#pragma once

#include "resultFigures.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QString>

#include <memory>
#include <optional>

class ParetoBars;
class QDateEdit;
class QLabel;
class QPushButton;
class keyboardPage;

// The station's results at a glance, between units: for today or a chosen
// period, the counts and the first-pass yield, the reasons units did not
// pass as bars, and the keys they failed on as a heat map on the station's
// own keyboard page. The figures are read off the GUI thread, read-only
// beside the store's writer; the view never touches the key capture or the
// link, so it can stay open while units are tested.
class ResultsView : public QDialog
{
    Q_OBJECT

public:
    explicit ResultsView(const QString &storePath, QWidget *parent = nullptr);
    ~ResultsView() override;

    // Today, from local midnight on.
    void showToday();
    // Whole local days from `from` to `to`.
    void showDays(const QDate &from, const QDate &to);
    // The figures last shown.
    const Figures &figures() const { return m_figures; }

signals:
    // The figures of the last period asked for are on screen.
    void figuresShown();

protected:
    void changeEvent(QEvent *event) override;

private:
    struct Reading;

    void read(const FiguresQuery &query, const QString &periodText);
    void readingDone();
    void showFigures();
    void retranslate();

    QString m_storePath;
    Figures m_figures;
    QString m_periodText;
    QString m_error;
    QFutureWatcher<void> m_watcher;
    std::shared_ptr<Reading> m_reading;
    // A period asked for while another is read: read next.
    std::optional<std::pair<FiguresQuery, QString>> m_next;

    QLabel *m_periodLabel = nullptr;
    QLabel *m_fromLabel = nullptr;
    QLabel *m_toLabel = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QPushButton *m_todayButton = nullptr;
    QPushButton *m_weekButton = nullptr;
    QPushButton *m_showButton = nullptr;
    struct Figure
    {
        QLabel *caption;
        QLabel *value;
    };
    Figure m_units{};
    Figure m_serials{};
    Figure m_firstPass{};
    Figure m_finalYield{};
    Figure m_retests{};
    Figure m_incomplete{};
    QLabel *m_reasonsTitle = nullptr;
    ParetoBars *m_pareto = nullptr;
    QLabel *m_keysTitle = nullptr;
    keyboardPage *m_page = nullptr;
};
