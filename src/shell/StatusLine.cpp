#include "shell/StatusLine.h"

#include <array>

namespace status {
namespace {

enum Id {
    NoDevice,
    Device,
    Idle,
    Connecting,
    Exchanging,
    Retrying,
    Reconnecting,
    Unreachable,
    Silent,
    OtherHost,
    NeverFilled,
    Filled,
    Counts,
    NoUnits,
    Reloading,
    ReloadFailed,
    ReloadFailedAfter,
    NextReload,
    NoAutoReload,
    AutoReloadPaused,
    PanelFromOther,
    OneSettingWaiting,
    SettingsWaiting,
    ReadFromOther,
    WithNote,
    ModuleNotRead,
    ModuleNotWritten,
    Count
};

using Table = std::array<const char *, Count>;

// clang-format off
const Table English = {
    "No active device",
    "%1 (%2)",
    "Idle",
    "Connecting",
    "Exchanging data",
    "Connection failed, retrying: %1 attempt(s) left",
    "Not responding, reconnecting: %1 attempt(s) left",
    "Not reachable since %1",
    "Not responding since %1",
    "%1 (%2)",
    "Not updated yet",
    "Updated %1",
    "%1: %2 units, %3 in fault",
    "%1: no units",
    "Reloading",
    "Reload failed at %1, no data",
    "Reload failed at %1; last update %2",
    "Next reload in %1 s",
    "No automatic reload",
    "Automatic reload paused",
    "Rows still from %1 until reloaded",
    "1 setting waiting for the controller",
    "%1 settings waiting for the controller",
    "Read from %1, not from the active device",
    "%1 - %2",
    "Network settings could not be read from %1",
    "Network settings could not be written to %1",
};

const Table Italian = {
    "Nessun dispositivo attivo",
    "%1 (%2)",
    "Inattivo",
    "Connessione in corso",
    "Scambio dati in corso",
    "Connessione fallita, nuovo tentativo: %1 rimasti",
    "Nessuna risposta, riconnessione: %1 tentativi rimasti",
    "Non raggiungibile dalle %1",
    "Non risponde dalle %1",
    "%1 (%2)",
    "Non ancora aggiornato",
    "Aggiornato %1",
    "%1: %2 unità, %3 in errore",
    "%1: nessuna unità",
    "Aggiornamento in corso",
    "Aggiornamento fallito alle %1, nessun dato",
    "Aggiornamento fallito alle %1; ultimo aggiornamento %2",
    "Prossimo aggiornamento tra %1 s",
    "Aggiornamento automatico disattivato",
    "Aggiornamento automatico sospeso",
    "Righe ancora di %1 fino al prossimo aggiornamento",
    "1 impostazione in attesa del controllo centralizzato",
    "%1 impostazioni in attesa del controllo centralizzato",
    "Letti da %1, non dal dispositivo attivo",
    "%1 - %2",
    "Impossibile leggere le impostazioni di rete da %1",
    "Impossibile scrivere le impostazioni di rete su %1",
};
// clang-format on

QString text(Id id, int lang)
{
    return QString::fromUtf8((lang == 1 ? Italian : English)[size_t(id)]);
}

QString linkText(const Facts &f, int lang)
{
    switch (f.link) {
    case Link::Idle:
        return text(Idle, lang);
    case Link::Connecting:
        return text(Connecting, lang);
    case Link::Exchanging:
        return text(Exchanging, lang);
    case Link::Retrying:
        return text(Retrying, lang).arg(f.attemptsLeft);
    case Link::Reconnecting:
        return text(Reconnecting, lang).arg(f.attemptsLeft);
    case Link::Unreachable:
        return text(Unreachable, lang).arg(f.failedAt.toString(QStringLiteral("HH:mm")));
    case Link::Silent:
        return text(Silent, lang).arg(f.failedAt.toString(QStringLiteral("HH:mm")));
    }
    return {};
}

QString filledText(const Facts &f, int lang)
{
    if (!f.filledAt.isValid())
        return text(NeverFilled, lang);
    const QString when = text(Filled, lang).arg(f.filledAt.toString(QStringLiteral("HH:mm:ss")));
    if (f.units == 0)
        return text(NoUnits, lang).arg(when);
    return text(Counts, lang).arg(when).arg(f.units).arg(f.faults);
}

QString deviceText(const QString &name, const QString &address, int lang)
{
    return name.isEmpty() ? address : text(Device, lang).arg(name, address);
}

} // namespace

QString moduleFailureText(bool write, const QString &controller, int lang)
{
    return text(write ? ModuleNotWritten : ModuleNotRead, lang).arg(controller);
}

QString controllerState(Link failure, const QDateTime &failedAt, const QDateTime &updatedAt, int lang)
{
    if (failure == Link::Unreachable || failure == Link::Silent) {
        Facts f;
        f.link = failure;
        f.failedAt = failedAt;
        return linkText(f, lang);
    }
    if (!updatedAt.isValid())
        return text(NeverFilled, lang);
    return text(Filled, lang).arg(updatedAt.toString(QStringLiteral("HH:mm")));
}

Line describe(const Facts &f, int lang)
{
    Line line;
    if (f.deviceAddress.isEmpty())
        line.device = text(NoDevice, lang);
    else
        line.device = deviceText(f.deviceName, f.deviceAddress, lang);
    line.link = linkText(f, lang);
    // The link may serve another device for a while (discovery, the network tab): say which.
    if (f.link != Link::Idle && !f.linkHost.isEmpty() && f.linkHost != f.deviceAddress)
        line.link = text(OtherHost, lang).arg(line.link, f.linkHost);
    if (f.settingsWaiting == 1)
        line.link += QStringLiteral("; ") + text(OneSettingWaiting, lang);
    else if (f.settingsWaiting > 1)
        line.link += QStringLiteral("; ") + text(SettingsWaiting, lang).arg(f.settingsWaiting);
    if (!f.undelivered.isEmpty())
        line.link = text(WithNote, lang).arg(line.link, f.undelivered);
    if (!f.moduleLostFrom.isEmpty())
        line.link =
            text(WithNote, lang).arg(line.link, moduleFailureText(f.moduleWriteLost, f.moduleLostFrom, lang));

    // Counts of one device must never stand beside the name of another.
    const bool fromOther = !f.panelFrom.isEmpty() && f.panelFrom != f.deviceAddress;
    if (f.reloading)
        line.panel = text(Reloading, lang);
    else if (f.reloadFailedAt.isValid()) {
        // The panel was emptied for the reload: an empty panel must not read as "no units".
        const QString at = f.reloadFailedAt.toString(QStringLiteral("HH:mm:ss"));
        line.panel =
            f.filledAt.isValid() && !fromOther
                ? text(ReloadFailedAfter, lang).arg(at, f.filledAt.toString(QStringLiteral("HH:mm:ss")))
                : text(ReloadFailed, lang).arg(at);
    } else if (fromOther && f.filledAt.isValid())
        line.panel = text(PanelFromOther, lang).arg(deviceText(f.panelFromName, f.panelFrom, lang));
    else
        line.panel = filledText(f, lang);

    if (f.autoReload == AutoReload::Off)
        line.reload = text(NoAutoReload, lang);
    else if (f.autoReload == AutoReload::Paused)
        line.reload = text(AutoReloadPaused, lang);
    else
        line.reload = text(NextReload, lang).arg(f.nextReloadIn);
    return line;
}

QDateTime failedSince(Link shown, const QString &shownHost, const QDateTime &shownAt, const QString &host,
                      const QDateTime &now)
{
    const bool stillAway = (shown == Link::Unreachable || shown == Link::Silent) && shownHost == host;
    return stillAway && shownAt.isValid() ? shownAt : now;
}

QString readFromOtherDevice(const QString &readFrom, const QString &readFromName, const QString &active,
                            int lang)
{
    if (readFrom.isEmpty() || readFrom == active)
        return {};
    return text(ReadFromOther, lang).arg(deviceText(readFromName, readFrom, lang));
}

} // namespace status
