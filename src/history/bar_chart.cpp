#include "history/bar_chart.h"

#include "history/amounts.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace tarvo {

namespace {

constexpr int kMargin = 4;
const QColor kReceivedColour(0, 0, 128);
const QColor kSentColour(200, 120, 0);
const QColor kGridColour(220, 220, 220);

// 1, 2 or 5 times a power of ten, at least raw.
double niceStep(double raw) {
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double norm = raw / power;
    return (norm <= 1 ? 1 : norm <= 2 ? 2 : norm <= 5 ? 5 : 10) * power;
}

QString tickText(double value, double step) {
    const int decimals = step >= 1 ? 0 : int(-std::floor(std::log10(step) + 1e-9));
    return QString::number(value, 'f', decimals);
}

} // namespace

BarChart::BarChart(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BarChart::setAxisTitle(const QString& title) {
    axisTitle_ = title;
    update();
}

void BarChart::setBars(std::vector<Bar> bars) {
    bars_ = std::move(bars);
    largest_ = 0;
    for (const Bar& bar : bars_)
        largest_ = std::max({largest_, bar.received, bar.sent});
    update();
}

QString BarChart::unit() const {
    return readsInGB(largest_) ? QStringLiteral("GB") : QStringLiteral("MB");
}

std::uint64_t BarChart::unitBytes() const {
    return readsInGB(largest_) ? kGB : kMB;
}

double BarChart::step() const {
    const double largest = double(largest_) / double(unitBytes());
    // An empty chart still has a scale: 0 to 1 MB.
    return largest > 0 ? niceStep(largest / 4) : 0.2;
}

double BarChart::top() const {
    const double largest = double(largest_) / double(unitBytes());
    const double step = this->step();
    return largest > 0 ? std::ceil(largest / step - 1e-9) * step : 1;
}

std::vector<double> BarChart::ticks() const {
    const double end = top();
    const double step = this->step();
    std::vector<double> values;
    for (int i = 0; i * step <= end + step / 1000; ++i)
        values.push_back(i * step);
    return values;
}

BarChart::Frame BarChart::frame() const {
    const QFontMetrics fm = fontMetrics();
    const std::vector<double> marks = ticks();
    const double step = this->step();
    int axisWidth = fm.horizontalAdvance(unit());
    for (double mark : marks)
        axisWidth = std::max(axisWidth, fm.horizontalAdvance(tickText(mark, step)));
    axisWidth += 2 * kMargin;

    Frame f;
    f.axisWidth = axisWidth;
    f.legend = QRect(kMargin, kMargin, width() - 2 * kMargin, fm.height());
    const int plotTop = f.legend.bottom() + 1 + fm.height() / 2 + kMargin;
    // Below the plot: the labels, then the axis title.
    const int plotBottom = height() - kMargin - 2 * fm.height() - kMargin;
    const int farSide = kMargin + fm.horizontalAdvance(QStringLiteral("00")) / 2;
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const int left = rtl ? farSide : kMargin + axisWidth;
    const int right = rtl ? width() - kMargin - axisWidth : width() - farSide;
    f.plot = QRect(QPoint(left, plotTop), QPoint(right - 1, plotBottom));
    f.valueLabelsX = rtl ? right : kMargin;
    return f;
}

QRect BarChart::barRect(int index) const {
    const int n = int(bars_.size());
    if (index < 0 || index >= n)
        return {};
    const QRect plot = frame().plot;
    const double slot = double(plot.width()) / n;
    // Right to left, the oldest stands at the right, next to the value axis.
    const int position = layoutDirection() == Qt::RightToLeft ? n - 1 - index : index;
    const int x0 = plot.left() + int(std::lround(position * slot));
    const int x1 = plot.left() + int(std::lround((position + 1) * slot));
    return QRect(x0, plot.top(), x1 - x0, plot.height());
}

int BarChart::barAt(const QPoint& pos) const {
    for (int i = 0; i < int(bars_.size()); ++i)
        if (barRect(i).contains(pos))
            return i;
    return -1;
}

int BarChart::labelStep() const {
    if (bars_.empty())
        return 1;
    const QFontMetrics fm = fontMetrics();
    int widest = 0;
    for (const Bar& bar : bars_)
        widest = std::max(widest, fm.horizontalAdvance(bar.label));
    const double slot = double(frame().plot.width()) / double(bars_.size());
    return std::max(1, int(std::ceil((widest + fm.horizontalAdvance(u' ')) / std::max(slot, 1.0))));
}

QSize BarChart::sizeHint() const {
    return {400, 10 * fontMetrics().height()};
}

QSize BarChart::minimumSizeHint() const {
    return {200, 8 * fontMetrics().height()};
}

bool BarChart::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int index = barAt(help->pos());
        if (index >= 0 && !bars_[std::size_t(index)].toolTip.isEmpty()) {
            QToolTip::showText(help->globalPos(), bars_[std::size_t(index)].toolTip, this,
                               barRect(index));
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void BarChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QFontMetrics fm = fontMetrics();
    const Frame f = frame();
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const QColor text = Qt::black;

    // The legend, received first in reading order, and the unit above the value axis.
    const QString names[2] = {QStringLiteral("المستلم"), QStringLiteral("المرسل")};
    const QColor colours[2] = {kReceivedColour, kSentColour};
    const int swatch = fm.ascent() * 2 / 3;
    const int gap = fm.horizontalAdvance(u' ');
    int legendWidth = 0;
    for (const QString& name : names)
        legendWidth += swatch + gap + fm.horizontalAdvance(name) + 3 * gap;
    int x = f.plot.center().x() + (rtl ? legendWidth / 2 : -legendWidth / 2);
    for (int i = 0; i < 2; ++i) {
        const int nameWidth = fm.horizontalAdvance(names[i]);
        const int swatchX = rtl ? x - swatch : x;
        p.fillRect(QRect(swatchX, f.legend.center().y() - swatch / 2, swatch, swatch), colours[i]);
        const int textX = rtl ? swatchX - gap - nameWidth : swatchX + swatch + gap;
        p.setPen(text);
        p.drawText(QRect(textX, f.legend.top(), nameWidth, f.legend.height()), Qt::AlignCenter,
                   names[i]);
        const int advance = swatch + gap + nameWidth + 3 * gap;
        x += rtl ? -advance : advance;
    }
    const QRect unitRect(f.valueLabelsX, f.legend.top(), f.axisWidth, f.legend.height());
    p.drawText(unitRect, Qt::AlignCenter, unit());

    // The value axis: a mark and a grid line at each tick.
    const std::vector<double> marks = ticks();
    const double step = this->step();
    const double end = top();
    const auto yOf = [&](double value) {
        return f.plot.bottom() + 1 - int(std::lround(value / end * f.plot.height()));
    };
    for (double mark : marks) {
        const int y = yOf(mark);
        p.setPen(kGridColour);
        p.drawLine(f.plot.left(), y, f.plot.right(), y);
        p.setPen(text);
        p.drawText(QRect(f.valueLabelsX + kMargin, y - fm.height() / 2, f.axisWidth - 2 * kMargin,
                         fm.height()),
                   (rtl ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, tickText(mark, step));
    }
    p.setPen(text);
    const int axisX = rtl ? f.plot.right() + 1 : f.plot.left() - 1;
    p.drawLine(axisX, f.plot.top(), axisX, f.plot.bottom() + 1);
    p.drawLine(f.plot.left(), f.plot.bottom() + 1, f.plot.right(), f.plot.bottom() + 1);

    // The bars and the labels under them.
    const double unitBytes = double(this->unitBytes());
    const int labelStep = this->labelStep();
    const int n = int(bars_.size());
    for (int i = 0; i < n; ++i) {
        const Bar& bar = bars_[std::size_t(i)];
        const QRect slot = barRect(i);
        const int pad = std::max(1, slot.width() / 8);
        const int barWidth = std::max(1, (slot.width() - 2 * pad) / 2);
        const std::uint64_t values[2] = {bar.received, bar.sent};
        for (int k = 0; k < 2; ++k) {
            const int bx = rtl ? slot.right() + 1 - pad - (k + 1) * barWidth
                               : slot.left() + pad + k * barWidth;
            const int y = yOf(double(values[k]) / unitBytes);
            p.fillRect(QRect(bx, y, barWidth, f.plot.bottom() + 1 - y), colours[k]);
        }
        if ((n - 1 - i) % labelStep == 0) {
            const int w = fm.horizontalAdvance(bar.label) + 2;
            p.drawText(QRect(slot.center().x() - w / 2, f.plot.bottom() + 3, w, fm.height()),
                       Qt::AlignCenter, bar.label);
        }
    }
    p.drawText(QRect(f.plot.left(), f.plot.bottom() + 3 + fm.height(), f.plot.width(), fm.height()),
               Qt::AlignCenter, axisTitle_);
}

} // namespace tarvo
