#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QAbstractItemModel;
class QDateTime;
class QWidget;

namespace history {

// Writes the rows of `model` as they stand, its header first, to a CSV file in
// `folder` named after the controller and the reload; returns the file, empty
// when it could not be written.
QString exportTable(const QAbstractItemModel &model, const QString &folder, const QString &what,
                    const QString &controller, const QDateTime &reload);

// Writes a CSV file at `path`, the whole of it or, when that fails, nothing.
bool writeCsv(const QString &path, const QStringList &header, const QList<QStringList> &rows);
// The rows of `model` as they stand, its header first, to a CSV file at `path`.
bool writeCsv(const QString &path, const QAbstractItemModel &model);

// Asks through prompts() where an export goes, proposing `name` in the folder
// an export last went to, or in `folder` before the first; empty when the user cancels.
QString chooseExportFile(QWidget *parent, const QString &folder, const QString &name, int lang);

} // namespace history
