#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace csv {

// One field, quoted only when it holds a comma, a quote or a line break. A text
// that starts like a formula or with a control character gets a leading "'",
// which spreadsheets take as "text follows"; a CSV reader gives it back with it.
QString field(const QString &text);

// A whole file: UTF-8 with a byte order mark (spreadsheets read accents right
// only with it), the header row first, CRLF after every row.
QByteArray document(const QStringList &header, const QList<QStringList> &rows);

// "brezzano-<what>-<controller>-<yyyyMMdd-HHmmss>.csv"; characters a file name
// cannot safely hold become '_'.
QString fileName(const QString &what, const QString &controller, const QDateTime &reload);

} // namespace csv
