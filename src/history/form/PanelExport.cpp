#include "history/form/PanelExport.h"

#include "history/Csv.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QDir>
#include <QSaveFile>

namespace history {

QString exportTable(const QAbstractItemModel &model, const QString &folder, const QString &what,
                    const QString &controller, const QDateTime &reload)
{
    QStringList header;
    for (int c = 0; c < model.columnCount(); ++c)
        header << model.headerData(c, Qt::Horizontal).toString();
    QList<QStringList> rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < model.columnCount(); ++c)
            row << model.index(r, c).data().toString();
        rows << row;
    }
    const QString path = QDir(folder).filePath(csv::fileName(what, controller, reload));
    QSaveFile file(path);
    const QByteArray bytes = csv::document(header, rows);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return {};
    return path;
}

} // namespace history
