#include "history/form/PanelExport.h"

#include "history/Csv.h"
#include "history/HistoryTexts.h"
#include "shell/form/Prompts.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace history {

QString exportTable(const QAbstractItemModel &model, const QString &folder, const QString &what,
                    const QString &controller, const QDateTime &reload)
{
    const QString path = QDir(folder).filePath(csv::fileName(what, controller, reload));
    return writeCsv(path, model) ? path : QString();
}

bool writeCsv(const QString &path, const QAbstractItemModel &model)
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
    return writeCsv(path, header, rows);
}

bool writeCsv(const QString &path, const QStringList &header, const QList<QStringList> &rows)
{
    QSaveFile file(path);
    const QByteArray bytes = csv::document(header, rows);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

QString chooseExportFile(QWidget *parent, const QString &folder, const QString &name, int lang)
{
    static QString lastFolder; // one user: the panel's and the History window's exports share it
    const QString path = prompts().saveFile(parent, text(Text::ExportCsv, lang),
                                            QDir(lastFolder.isEmpty() ? folder : lastFolder).filePath(name),
                                            text(Text::CsvFiles, lang));
    if (!path.isEmpty())
        lastFolder = QFileInfo(path).absolutePath();
    return path;
}

} // namespace history
