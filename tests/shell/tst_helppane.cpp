#include "shell/Texts.h"
#include "shell/form/HelpPane.h"

#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfView>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A PDF of `pages` pages, each saying which page it is.
void writePdf(const QString &path, int pages)
{
    QPdfWriter writer(path);
    QPainter painter(&writer);
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            writer.newPage();
        painter.drawText(QPointF(200, 400), QStringLiteral("Page %1").arg(i + 1));
    }
}

bool showsManual(const HelpPane &pane)
{
    return pane.AcroPDF1->isVisibleTo(&pane) && !pane.manualMissing->isVisibleTo(&pane);
}

} // namespace

class TestHelpPane : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        loadLanguage(0);
    }

    void showsTheDocumentAtHundredAndFiftyPercent()
    {
        const QString path = dir.filePath(QStringLiteral("two.pdf"));
        writePdf(path, 2);
        HelpPane pane;
        pane.showManual(path);
        QVERIFY(showsManual(pane));
        QPdfDocument *doc = pane.AcroPDF1->document();
        QVERIFY(doc);
        QCOMPARE(doc->pageCount(), 2);
        QCOMPARE(pane.AcroPDF1->zoomMode(), QPdfView::ZoomMode::Custom);
        QCOMPARE(pane.AcroPDF1->zoomFactor(), 1.5);
        QCOMPARE(pane.AcroPDF1->pageMode(), QPdfView::PageMode::MultiPage);
    }

    void showingAgainReloadsTheFileAndResetsTheZoom()
    {
        const QString path = dir.filePath(QStringLiteral("changing.pdf"));
        writePdf(path, 1);
        HelpPane pane;
        pane.showManual(path);
        pane.AcroPDF1->setZoomMode(QPdfView::ZoomMode::FitToWidth);
        pane.AcroPDF1->setZoomFactor(3.0);

        writePdf(path, 3);
        pane.showManual(path);
        QCOMPARE(pane.AcroPDF1->document()->pageCount(), 3);
        QCOMPARE(pane.AcroPDF1->zoomMode(), QPdfView::ZoomMode::Custom);
        QCOMPARE(pane.AcroPDF1->zoomFactor(), 1.5);
    }

    void anUnreadableManualIsNamed_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content"); // empty: the file is not created

        QTest::newRow("missing") << "absent/man.pdf" << QByteArray();
        QTest::newRow("not a PDF") << "text.pdf" << QByteArray("just some text\n");
    }

    void anUnreadableManualIsNamed()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        const QString path = dir.filePath(file);
        if (!content.isEmpty()) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        }

        HelpPane pane;
        pane.showManual(path);
        QVERIFY(!showsManual(pane));
        QVERIFY(pane.manualMissing->text().contains(path));

        // The same pane shows a good file again.
        const QString good = dir.filePath(QStringLiteral("good.pdf"));
        writePdf(good, 1);
        pane.showManual(good);
        QVERIFY(showsManual(pane));
    }

    void theMissingLineFollowsTheLanguage()
    {
        HelpPane pane;
        const QString path = dir.filePath(QStringLiteral("none.pdf"));
        loadLanguage(0);
        pane.showManual(path);
        const QString english = pane.manualMissing->text();
        loadLanguage(1);
        pane.showManual(path);
        QVERIFY(pane.manualMissing->text() != english);
        loadLanguage(0);
    }

    void theBuiltManualsOpenInTheirLanguage()
    {
        // BREZZANO_MAN_DIR is <appDir>/man of the build.
        const QString appDir = QFileInfo(QStringLiteral(BREZZANO_MAN_DIR)).path();
        QStringList firstPages;
        for (int lang : {0, 1}) {
            loadLanguage(lang);
            const QString path = HelpPane::manualPath(appDir);
            QVERIFY2(QFileInfo::exists(path), qPrintable(path + " is missing: build the manual target"));
            HelpPane pane;
            pane.showManual(path);
            QVERIFY(showsManual(pane));
            QVERIFY(pane.AcroPDF1->document()->pageCount() >= 2);
            firstPages << pane.AcroPDF1->document()->getAllText(0).text();
        }
        QVERIFY(!firstPages.at(0).isEmpty());
        QVERIFY(firstPages.at(0) != firstPages.at(1));
        loadLanguage(0);
    }

private:
    QTemporaryDir dir;
};

QTEST_MAIN(TestHelpPane)
#include "tst_helppane.moc"
