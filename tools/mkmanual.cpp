// Renders one manual source (HTML) to a PDF file: mkmanual IN.html OUT.pdf
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>

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
    const QString html = QString::fromUtf8(in.readAll());
    QDir().mkpath(QFileInfo(args.at(2)).absolutePath());

    QPdfWriter writer(args.at(2));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    writer.setResolution(300);
    writer.setTitle(QStringLiteral("Brezzano"));
    writer.setCreator(QStringLiteral("Brezzano"));

    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    document.setHtml(html);
    document.print(&writer);
    return 0;
}
