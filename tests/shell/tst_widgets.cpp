#include "shell/form/BusyIndicator.h"

#include <QImage>
#include <QTest>

class TestWidgets : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void busyPictureTurnsOnlyWhileAnimating()
    {
        BusyIndicator busy;
        QCOMPARE(busy.size(), QSize(32, 32));
        QVERIFY(!busy.isAnimating());

        busy.start();
        QVERIFY(busy.isAnimating());
        const int first = busy.frame();
        QTRY_VERIFY(busy.frame() != first);

        busy.stop();
        QVERIFY(!busy.isAnimating());
        const int stopped = busy.frame();
        QTest::qWait(3 * BusyIndicator::FrameInterval); // nothing to wait for: it must stay put
        QCOMPARE(busy.frame(), stopped);
    }

    void busyPictureHasATransparentBackground()
    {
        BusyIndicator busy;
        busy.start();
        QImage image(busy.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        busy.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);

        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(16, 16)), 0);
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 200;
        QVERIFY(opaque > 20);
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
