#include "history/HistoryTexts.h"

#include "shell/Texts.h"
#include "units/Setting.h"
#include "units/UnitTable.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

namespace history {
namespace {

using Table = std::array<const char *, size_t(Text::Count)>;

// clang-format off
const Table English = {
    "History is off: %1",
    "History",
    "%1 units in fault",
    "1 unit in fault",
    "Unit in fault",
    "%1 (address %2) – %3",
    "Faults",
    "Operations",
    "Start",
    "End",
    "Duration",
    "Unit",
    "Code",
    "Description",
    "Time",
    "What",
    "Units",
    "Result",
    "taken",
    "not taken",
    "still open",
    "offline",
    "All units",
    "From",
    "To",
    "Export CSV",
    "Exported to %1",
    "Could not write %1",
    "Last 24 hours",
    "Last 7 days",
    "Last 30 days",
    "Set temperature",
    "Room temperature",
    "Unit setting",
    "Controller options",
    "Password change",
    "Weekly schedule",
    "Network module",
    "%1 switching points",
    "remote control locked",
    "remote control unlocked",
    "all remote controls locked",
    "all remote controls unlocked",
    "mode, fan and temperatures",
    "all units: mode, fan and temperatures",
    "name",
    "operating-mode lock",
    "password protection",
    "web connection",
    "alarm sound",
    "clock set",
    "device name",
    "network name",
    "pass phrase",
    "IP address",
    "gateway",
    "DNS",
    "addressing",
    "on",
    "off",
    "Units in fault: %1",
    "and %1 more",
    "Acknowledge",
    "%1 cannot be opened",
    "%1 cannot be written: its faults and operations are shown, nothing new is recorded",
    "the disk is full; recording resumes when there is room",
    "%1 was written by a newer version of the program",
    "History records again.",
    "The history file was damaged. It was moved to %1 and a new one was started.",
    "Summary",
    "Time in fault",
    "Run hours",
    "All codes",
    "Address",
    "Fault codes",
    "Controller",
    "Read at",
    "Set temperature (°C)",
    "Room temperature (°C)",
    "CSV files (*.csv)",
    "Chart of the last 24 hours",
    "Chart of the last 7 days",
    "Chart of the last 30 days",
    "Print…",
    "%1 to %2",
    "All controllers",
};

const Table Italian = {
    "Storico disattivato: %1",
    "Storico",
    "%1 unità in errore",
    "1 unità in errore",
    "Unità in errore",
    "%1 (indirizzo %2) – %3",
    "Errori",
    "Operazioni",
    "Inizio",
    "Fine",
    "Durata",
    "Unità",
    "Codice",
    "Descrizione",
    "Ora",
    "Operazione",
    "Unità",
    "Esito",
    "accettata",
    "non accettata",
    "ancora aperto",
    "non in linea",
    "Tutte le unità",
    "Dal",
    "Al",
    "Esporta CSV",
    "Esportato in %1",
    "Impossibile scrivere %1",
    "Ultime 24 ore",
    "Ultimi 7 giorni",
    "Ultimi 30 giorni",
    "Temperatura impostata",
    "Temperatura ambiente",
    "Impostazione unità",
    "Opzioni centrale",
    "Cambio password",
    "Programma settimanale",
    "Modulo di rete",
    "%1 commutazioni",
    "telecomando bloccato",
    "telecomando sbloccato",
    "tutti i telecomandi bloccati",
    "tutti i telecomandi sbloccati",
    "modo, ventilatore e temperature",
    "tutte le unità: modo, ventilatore e temperature",
    "nome",
    "blocco modalità",
    "protezione con password",
    "connessione web",
    "allarme sonoro",
    "orologio impostato",
    "nome dispositivo",
    "nome rete",
    "passphrase",
    "indirizzo IP",
    "gateway",
    "DNS",
    "indirizzamento",
    "sì",
    "no",
    "Unità in errore: %1",
    "e altre %1",
    "Presa visione",
    "impossibile aprire %1",
    "impossibile scrivere %1: errori e operazioni sono mostrati, nulla di nuovo viene registrato",
    "il disco è pieno; la registrazione riprende quando c'è spazio",
    "%1 è stato scritto da una versione più recente del programma",
    "Lo storico registra di nuovo.",
    "Il file dello storico era danneggiato. È stato spostato in %1 e ne è stato creato uno nuovo.",
    "Riepilogo",
    "Tempo in errore",
    "Ore di funzionamento",
    "Tutti i codici",
    "Indirizzo",
    "Codici errore",
    "Centrale",
    "Letto il",
    "Temperatura impostata (°C)",
    "Temperatura ambiente (°C)",
    "File CSV (*.csv)",
    "Grafico delle ultime 24 ore",
    "Grafico degli ultimi 7 giorni",
    "Grafico degli ultimi 30 giorni",
    "Stampa…",
    "dal %1 al %2",
    "Tutte le centrali",
};
// clang-format on

} // namespace

QString text(Text id, int lang)
{
    return QString::fromUtf8((lang == 1 ? Italian : English)[size_t(id)]);
}

QString faultCountText(int count, int lang)
{
    return count == 1 ? text(Text::FaultCountOne, lang) : text(Text::FaultCount, lang).arg(count);
}

namespace {

// A status write's nine bytes ("88 04 18 00 00 00 11 1e 00") as the panel words them:
// "Cooling, fan Low, 24 °C (17 to 30 °C), flap off, schedule off"; empty when they are not.
QString settingWords(const QString &hex, int lang)
{
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    if (bytes.size() != setting::SentSettings || hex.simplified().size() != setting::SentSettings * 3 - 1)
        return {};
    const QStringList &panel = languageTable(lang);
    const auto byte = [&bytes](int i) { return quint8(bytes.at(i)); };
    const auto onOff = [lang](bool on) { return text(on ? Text::SwitchedOn : Text::SwitchedOff, lang); };
    return QStringLiteral("%1, %2 %3, %4 %5 °C (%6 – %7 °C), %8 %9, %10 %11")
        .arg(units::modeText(byte(setting::ModeSetting), panel), panel.value(89).toLower(),
             units::fanText(byte(setting::FanSetting), panel), text(Text::SetTemperature, lang).toLower(),
             QString::number(byte(setting::SetTempSetting)), QString::number(byte(setting::TminSetting)),
             QString::number(byte(setting::TmaxSetting)), panel.value(95).toLower(),
             onOff(byte(setting::FlapSetting) & units::FlapOnBit))
        .arg(panel.value(97).toLower(), onOff(byte(setting::ScheduleSetting) != 0));
}

} // namespace

QString operationText(const QString &what, const QString &values, int lang)
{
    static const std::pair<const char *, Text> Kinds[] = {{"setting", Text::OpSetting},
                                                          {"options", Text::OpOptions},
                                                          {"password", Text::OpPassword},
                                                          {"schedule", Text::OpSchedule},
                                                          {"module", Text::OpModule}};
    // The request codes whose operations the recorder stores.
    static const std::pair<int, Text> Details[] = {
        {31, Text::RemoteLocked},       {32, Text::RemoteUnlocked}, {36, Text::AllRemotesLocked},
        {37, Text::AllRemotesUnlocked}, {33, Text::UnitStatus},     {38, Text::AllUnitsStatus},
        {35, Text::UnitName},           {71, Text::ModeLock},       {53, Text::PasswordUse},
        {54, Text::WebConnection},      {69, Text::AlarmSound},     {3, Text::ClockSet},
        {26, Text::DeviceName},         {166, Text::NetworkName},   {167, Text::PassPhrase},
        {168, Text::IpAddress},         {169, Text::Gateway},       {170, Text::Dns},
        {171, Text::Addressing}};
    const auto kind = std::find_if(std::begin(Kinds), std::end(Kinds),
                                   [&what](const auto &k) { return what == QLatin1String(k.first); });
    if (kind == std::end(Kinds))
        return values.isEmpty() ? what : what + QStringLiteral(": ") + values;
    const QString name = text(kind->second, lang);
    if (values.isEmpty())
        return name;
    bool ok = false;
    const int number = values.section(QLatin1Char(' '), 0, 0).toInt(&ok);
    QString rest = values.section(QLatin1Char(' '), 1);
    if (ok && kind->second == Text::OpSchedule && rest == QLatin1String("entries"))
        return name + QStringLiteral(": ") + text(Text::Entries, lang).arg(number);
    const auto detail = std::find_if(std::begin(Details), std::end(Details),
                                     [number](const auto &d) { return d.first == number; });
    if (!ok || detail == std::end(Details))
        return name + QStringLiteral(": ") + values;
    if (number == 33 || number == 38) {
        const QString words = settingWords(rest, lang);
        if (!words.isEmpty())
            rest = words;
    }
    if (rest == QLatin1String("on") || rest == QLatin1String("off"))
        rest = text(rest == QLatin1String("on") ? Text::SwitchedOn : Text::SwitchedOff, lang);
    QString out = name + QStringLiteral(": ") + text(detail->second, lang);
    if (!rest.isEmpty())
        out += QStringLiteral(" (") + rest + QLatin1Char(')');
    return out;
}

} // namespace history
