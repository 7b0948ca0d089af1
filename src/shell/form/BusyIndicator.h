#pragma once

#include <QWidget>

class QTimer;

// The 32 by 32 busy picture: a ring of dots whose highlight goes round while it
// animates. Its background is transparent. Showing and hiding it is the owner's.
class BusyIndicator final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BusyIndicator)

public:
    explicit BusyIndicator(QWidget *parent = nullptr);

    static constexpr int Dots = 8;
    static constexpr int FrameInterval = 80; // ms

    void start();
    void stop();
    bool isAnimating() const;
    int frame() const { return step; } // the dot that is highlighted

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void advance();

    QTimer *const timer;
    int step = 0;
};
