#include "history/PanelCsv.h"

#include "history/HistoryTexts.h"
#include "session/ControllerModel.h"

namespace history {

CsvTable panelTable(const ControllerModel &model, const std::vector<int> &addresses, const QStringList &texts,
                    int lang, const QDateTime &readAt)
{
    CsvTable table;
    // The panel's headings, some with a double space to fit their column, read as one.
    table.header = {text(Text::Address, lang),
                    texts.value(151),
                    texts.value(84),
                    texts.value(89),
                    text(Text::SetTemperatureC, lang),
                    text(Text::RoomTemperatureC, lang),
                    text(Text::FaultCodes, lang),
                    text(Text::Controller, lang),
                    text(Text::ReadAt, lang)};
    for (QString &heading : table.header)
        heading = heading.simplified();
    // Local time with its offset written out ("Z" in UTC), so the file says when wherever it is read.
    const QString when =
        readAt.isValid() ? readAt.toOffsetFromUtc(readAt.offsetFromUtc()).toString(Qt::ISODate) : QString();
    for (const int adr : addresses) {
        if (adr < 0 || adr >= UnitRecords)
            continue;
        const TunitRecord &unit = model.unit_par[size_t(adr)];
        // The panel's fault text without its heading: "E3 PA ".
        const QString codes = units::faultText(unit, QStringList()).simplified();
        table.rows << QStringList{
            QString::number(adr),
            unit.name,
            units::modeText(unit.buffer[units::ModeByte], texts).trimmed(),
            units::fanText(unit.buffer[units::FanByte], texts).trimmed(),
            QString::number(unit.buffer[units::SetTempByte]),
            QString::number(units::halfDegree(unit.buffer[units::RoomTempByte]), 'f', 1),
            codes,
            model.unitsReadFrom,
            when};
    }
    return table;
}

} // namespace history
