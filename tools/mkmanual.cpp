// Renders one manual source (HTML) to a PDF file: mkmanual IN.html OUT.pdf
#include "shell/Version.h"
#include <QAbstractTextDocumentLayout>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QUrl>

#include <cstdio>

namespace {

// Device pixels (at 300 dpi) kept clear at the foot of each page's clip.
constexpr qreal ClipSlack = 3;

int pageOf(qreal y, qreal pageHeight)
{
    return int(y / pageHeight);
}

// A heading left at the foot of a page, its text on the next, moves to that next page.
void keepHeadingsWithText(QTextDocument &document, qreal pageHeight)
{
    QAbstractTextDocumentLayout *layout = document.documentLayout();
    // Each move can push later headings: look again from the start until none moves.
    for (int pass = 0; pass < 200; ++pass) {
        // The layout is lazy: a block it has not reached yet has no lines and would pass unseen.
        document.pageCount();
        bool moved = false;
        for (QTextBlock block = document.begin(); block.isValid() && !moved; block = block.next()) {
            const QTextBlock next = block.next();
            if (block.blockFormat().headingLevel() == 0 || !next.isValid() || !next.layout() ||
                next.layout()->lineCount() == 0)
                continue;
            const qreal headingTop = layout->blockBoundingRect(block).top();
            const qreal firstLineBottom =
                layout->blockBoundingRect(next).top() + next.layout()->lineAt(0).rect().bottom();
            if (pageOf(firstLineBottom, pageHeight) > pageOf(headingTop, pageHeight)) {
                QTextBlockFormat format = block.blockFormat();
                format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
                QTextCursor(block).setBlockFormat(format);
                moved = true;
            }
        }
        if (!moved)
            return;
    }
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: mkmanual IN.html OUT.pdf\n");
        return 2;
    }
    QFile in(args.at(1));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "mkmanual: cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    // The manual names the version the build was made from.
    const QString html = QString::fromUtf8(in.readAll())
                             .replace(QStringLiteral("@VERSION@"), QStringLiteral(BREZZANO_VERSION));
    QDir().mkpath(QFileInfo(args.at(2)).absolutePath());

    QPdfWriter writer(args.at(2));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(QStringLiteral("Brezzano"));
    writer.setCreator(QStringLiteral("Brezzano"));

    QPainter painter(&writer);
    // The painter starts at the top left of the margins; the page number gets
    // a band of its own under the text, so the two never meet.
    const QRectF area(QPointF(0, 0), writer.pageLayout().paintRectPixels(writer.resolution()).size());
    const qreal footer = writer.resolution() * 0.35;
    const QSizeF body(area.width(), area.height() - footer);

    QTextDocument document;
    document.documentLayout()->setPaintDevice(&writer);
    document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    // The page margins are the only margins: print() would add its own inside them.
    document.setDocumentMargin(0);
    document.setPageSize(body);
    // Pictures are named relative to the HTML file: img/panel.png beside man.html.
    document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(args.at(1)).absolutePath() + QLatin1Char('/')));
    document.setHtml(html);
    // A picture that is missing would leave an empty frame on the page: the build stops instead.
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextImageFormat image = it.fragment().charFormat().toImageFormat();
            if (image.isValid() &&
                document.resource(QTextDocument::ImageResource, QUrl(image.name())).isNull()) {
                std::fprintf(stderr, "mkmanual: %s: no picture %s\n", qPrintable(args.at(1)),
                             qPrintable(image.name()));
                return 1;
            }
        }
    keepHeadingsWithText(document, body.height());

    QFont numberFont(QStringLiteral("DejaVu Sans"), 9);
    for (int page = 0; page < document.pageCount(); ++page) {
        if (page > 0)
            writer.newPage();
        painter.save();
        painter.translate(0, -page * body.height());
        // The clip stops a hair above the page's end: viewers at screen resolution otherwise
        // smear the top of the next page's first line, cut by the clip, under the last one.
        document.drawContents(&painter, QRectF(QPointF(0, page * body.height()),
                                               QSizeF(body.width(), body.height() - ClipSlack)));
        painter.restore();
        painter.setFont(numberFont);
        painter.drawText(QRectF(0, area.height() - footer * 0.6, area.width(), footer * 0.6),
                         Qt::AlignHCenter | Qt::AlignBottom, QString::number(page + 1));
    }
    return 0;
}
