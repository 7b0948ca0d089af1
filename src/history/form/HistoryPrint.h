#pragma once

#include <QString>

class QPrinter;
class QTreeWidget;

namespace history {

// A list of the History window as one table: a title, a line of what it shows
// (range, filters), then every row, a row's children indented under it.
QString listHtml(const QTreeWidget &list, const QString &title, const QString &subtitle);
// The same on `printer` (paper, or a PDF file).
void printList(const QTreeWidget &list, const QString &title, const QString &subtitle, QPrinter &printer);

} // namespace history
