#pragma once

#include <QString>

class QAbstractItemModel;
class QDateTime;

namespace history {

// Writes the rows of `model` as they stand, its header first, to a CSV file in
// `folder` named after the controller and the reload; returns the file, empty
// when it could not be written.
QString exportTable(const QAbstractItemModel &model, const QString &folder, const QString &what,
                    const QString &controller, const QDateTime &reload);

} // namespace history
