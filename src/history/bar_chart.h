#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <vector>

namespace tarvo {

// Received and sent side by side for each stretch of time, drawn with QPainter: a legend, a
// value axis in MB (GB once the largest bar reaches one), a labelled time axis, a tool tip on
// each bar. Time runs with the layout direction: right to left, the newest bar is leftmost.
// Takes no focus; everything it tells is in the table beside it too.
class BarChart : public QWidget {
    Q_OBJECT
public:
    struct Bar {
        QString label; // under the bar, on the time axis
        std::uint64_t received = 0;
        std::uint64_t sent = 0;
        QString toolTip;
    };

    explicit BarChart(QWidget* parent = nullptr);

    void setAxisTitle(const QString& title);
    // Oldest first.
    void setBars(std::vector<Bar> bars);
    const std::vector<Bar>& bars() const { return bars_; }

    // "MB" or "GB", the value axis's unit.
    QString unit() const;
    // The bytes of that unit.
    std::uint64_t unitBytes() const;
    // The values at the value axis's marks, in that unit, from 0 up.
    std::vector<double> ticks() const;
    // The slot of bar index (received and sent side by side); empty when out of range.
    QRect barRect(int index) const;
    // The bar whose slot holds pos, or -1.
    int barAt(const QPoint& pos) const;
    // Every step-th label is drawn, counted from the newest, so that labels never overlap.
    int labelStep() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Frame {
        QRect plot;       // where the bars stand
        QRect legend;     // the row above the plot
        int valueLabelsX; // the value labels' edge next to the plot
        int axisWidth;    // the value labels' room
    };
    Frame frame() const;
    double step() const; // between the value axis's marks, in the unit
    double top() const;  // the value axis's end, in the unit

    std::vector<Bar> bars_;
    QString axisTitle_;
    std::uint64_t largest_ = 0;
};

} // namespace tarvo
