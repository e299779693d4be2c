#pragma once

#include "resultFigures.h"

#include <QWidget>

#include <vector>

// The reasons units did not pass, most first, as bars: each reason's name,
// a bar as long as its count against the largest, the count and its share.
class ParetoBars : public QWidget
{
    Q_OBJECT

public:
    explicit ParetoBars(QWidget *parent = nullptr);

    void setReasons(std::vector<ReasonCount> reasons);
    const std::vector<ReasonCount> &reasons() const { return m_reasons; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    std::vector<ReasonCount> m_reasons;
};
