#include "shell/form/BusyIndicator.h"

#include <QPainter>
#include <QTimer>

#include <cmath>

namespace {
constexpr int Side = 32;
}

BusyIndicator::BusyIndicator(QWidget *parent) : QWidget(parent), timer(new QTimer(this))
{
    setFixedSize(Side, Side);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    timer->setInterval(FrameInterval);
    connect(timer, &QTimer::timeout, this, &BusyIndicator::advance);
}

void BusyIndicator::start()
{
    if (!timer->isActive())
        timer->start();
}

void BusyIndicator::stop()
{
    timer->stop();
    update();
}

bool BusyIndicator::isAnimating() const
{
    return timer->isActive();
}

QSize BusyIndicator::sizeHint() const
{
    return {Side, Side};
}

void BusyIndicator::advance()
{
    step = (step + 1) % Dots;
    update();
}

void BusyIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    const QPointF centre(width() / 2.0, height() / 2.0);
    const qreal ring = Side / 2.0 - 5.0;
    const QColor base = palette().color(QPalette::Highlight);
    for (int i = 0; i < Dots; ++i) {
        // Dots fade behind the highlight so the eye reads a direction of travel.
        const int behind = (step - i + Dots) % Dots;
        QColor colour = base;
        colour.setAlphaF(isAnimating() ? 1.0 - behind * 0.11 : 0.35);
        painter.setBrush(colour);
        const qreal angle = 2.0 * M_PI * i / Dots - M_PI / 2.0;
        const QPointF at(centre.x() + ring * std::cos(angle), centre.y() + ring * std::sin(angle));
        const qreal radius = behind == 0 && isAnimating() ? 3.6 : 2.8;
        painter.drawEllipse(at, radius, radius);
    }
}
