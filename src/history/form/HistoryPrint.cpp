#include "history/form/HistoryPrint.h"

#include <QPrinter>
#include <QTextDocument>
#include <QTreeWidget>

namespace history {

namespace {

void appendRow(QString &html, const QTreeWidgetItem &item, int columns, const QTreeWidget &list, int depth)
{
    html += QStringLiteral("<tr>");
    for (int c = 0; c < columns; ++c) {
        if (list.isColumnHidden(c))
            continue;
        // Device names are text, never markup.
        QString cell = item.text(c).toHtmlEscaped();
        if (c == 0 && depth > 0)
            cell = QString(depth * 4, QChar(0x00A0)) + cell;
        html += QStringLiteral("<td>") + cell + QStringLiteral("</td>");
    }
    html += QStringLiteral("</tr>");
    for (int child = 0; child < item.childCount(); ++child)
        appendRow(html, *item.child(child), columns, list, depth + 1);
}

} // namespace

QString listHtml(const QTreeWidget &list, const QString &title, const QString &subtitle)
{
    const int columns = list.columnCount();
    QString html =
        QStringLiteral("<h2>%1</h2><p>%2</p>"
                       "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\"><tr>")
            .arg(title.toHtmlEscaped(), subtitle.toHtmlEscaped());
    for (int c = 0; c < columns; ++c)
        if (!list.isColumnHidden(c))
            html += QStringLiteral("<th align=\"left\">") + list.headerItem()->text(c).toHtmlEscaped() +
                    QStringLiteral("</th>");
    html += QStringLiteral("</tr>");
    for (int row = 0; row < list.topLevelItemCount(); ++row)
        appendRow(html, *list.topLevelItem(row), columns, list, 0);
    return html + QStringLiteral("</table>");
}

void printList(const QTreeWidget &list, const QString &title, const QString &subtitle, QPrinter &printer)
{
    QTextDocument document;
    document.setHtml(listHtml(list, title, subtitle));
    document.print(&printer);
}

} // namespace history
