#include "shell/Texts.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

// One line per entry, English then Italian; the numbers are the indexes other code cites.
// Blanks inside and at the end of an entry are part of it.
// clang-format off
constexpr std::array<std::pair<const char *, const char *>, TextCount> textTable{{
    /*   0 */ {"En", "It"},
    /*   1 */ {"", ""},
    /*   2 */ {"", ""},
    /*   3 */ {"", ""},
    /*   4 */ {"Monday", "Lunedì"},
    /*   5 */ {"Tuesday", "Martedì"},
    /*   6 */ {"Wednesday", "Mercoledì"},
    /*   7 */ {"Thursday", "Giovedì"},
    /*   8 */ {"Friday", "Venerdì"},
    /*   9 */ {"Saturday", "Sabato"},
    /*  10 */ {"Sunday", "Domenica"},
    /*  11 */ {"Device connected", "Dispositivo connesso"},
    /*  12 */ {"Device not found", "Dispositivo non trovato"},
    /*  13 */ {"Device founded : ", "Dispositivi trovati : "},
    /*  14 */ {"Information", "Informazione"},
    /*  15 */ {"Ok", "Ok"},
    /*  16 */ {"", ""},
    /*  17 */ {"", ""},
    /*  18 */ {"Cancel", "Annulla"},
    /*  19 */ {"", ""},
    /*  20 */ {"", ""},
    /*  21 */ {"", ""},
    /*  22 */ {"", ""},
    /*  23 */ {"", ""},
    /*  24 */ {"", ""},
    /*  25 */ {"", ""},
    /*  26 */ {"", ""},
    /*  27 */ {"", ""},
    /*  28 */ {"", ""},
    /*  29 */ {"", ""},
    /*  30 */ {"", ""},
    /*  31 */ {"", ""},
    /*  32 */ {"", ""},
    /*  33 */ {"", ""},
    /*  34 */ {"", ""},
    /*  35 */ {"", ""},
    /*  36 */ {"", ""},
    /*  37 */ {"", ""},
    /*  38 */ {"", ""},
    /*  39 */ {"Cannot connect to device", "Non posso connetermi al dispositivo"},
    /*  40 */ {"", ""},
    /*  41 */ {"", ""},
    /*  42 */ {"", ""},
    /*  43 */ {"Set time", "Imposta ora"},
    /*  44 */ {"", ""},
    /*  45 */ {"", ""},
    /*  46 */ {"Edit", "Modifica"},
    /*  47 */ {"Mon-Fri", "Lun-Ven"},
    /*  48 */ {"Sat-Sun", "Sab-Dom"},
    /*  49 */ {"All days", "Tutti i giorni"},
    /*  50 */ {"", ""},
    /*  51 */ {"Close app and connect to the new network", "Chiudi app e connettiti alla nuova rete"},
    /*  52 */ {"", ""},
    /*  53 */ {"", ""},
    /*  54 */ {"No", "No"},
    /*  55 */ {"Run deep search?", "Eseguo ricerca approfondita?"},
    /*  56 */ {"", ""},
    /*  57 */ {"Delete selected (%d)", "Cancella selezionati (%d)"},
    /*  58 */ {"Delete all", "Cancella tutto"},
    /*  59 */ {"", ""},
    /*  60 */ {"", ""},
    /*  61 */ {"", ""},
    /*  62 */ {"", ""},
    /*  63 */ {"", ""},
    /*  64 */ {"Not connected to local network", "Non connesso alla rete locale"},
    /*  65 */ {"Configure", "Configura"},
    /*  66 */ {"disconnected from the local network", "disconnesso dalla rete locale"},
    /*  67 */ {"connected to the LAN", "connesso alla rete locale"},
    /*  68 */ {"Register this device on the web site?", "Registrare il dispositivo sul sito web?"},
    /*  69 */ {"User name", "Nome utente"},
    /*  70 */ {"Password", "Password"},
    /*  71 */ {"Registrer device", "Registra sensore"},
    /*  72 */ {"Registration successful", "Registrazione avvenuta con successo"},
    /*  73 */ {"Username or password invalid", "Nome utente o password non validi"},
    /*  74 */ {"Sensor never connected to the web", "Sensore mai connesso al web"},
    /*  75 */ {"The website not responding", "Il sito web non risponde"},
    /*  76 */ {"OFF", "OFF"},
    /*  77 */ {"ON", "ON"},
    /*  78 */ {"Manual", "Manuale"},
    /*  79 */ {"Auto", "Automatico"},
    /*  80 */ {"Cooling", "Raffrescamento"},
    /*  81 */ {"Heating", "Riscaldamento"},
    /*  82 */ {"Drying", "Deumidificazione"},
    /*  83 */ {"Ventilation", "Ventilazione"},
    /*  84 */ {"Operating mode", "Modalità  di funzionamento"},
    /*  85 */ {"Very low", "Debole"},
    /*  86 */ {"Low", "Bassa"},
    /*  87 */ {"Medium", "Media"},
    /*  88 */ {"High", "Alta"},
    /*  89 */ {"Fan speed", "Velocità  ventilatore"},
    /*  90 */ {"Min. temp.", "Temp. minima"},
    /*  91 */ {"Max. temp.", "Temp. massima"},
    /*  92 */ {"Setting temp.", "Temp. impostata"},
    /*  93 */ {"Detected temp.", "Temp. rilevata"},
    /*  94 */ {"Remote controller", "Telecomando"},
    /*  95 */ {"Motorized flap", "Aletta motorizzata"},
    /*  96 */ {"Set", "Imposta"},
    /*  97 */ {"Schedulings", "Programmi"},
    /*  98 */ {"Setting send", "Impostazioni inviate"},
    /*  99 */ {"Comunication error", "Errore comunicazione"},
    /* 100 */ {"Set name", "Imposta nome"},
    /* 101 */ {"Set all", "Imposta tutti"},
    /* 102 */ {"Maximum number of programming reach", "Numero massimo di programmazioni raggiunto"},
    /* 103 */ {"Delete selected (%d)", "Cancella selezionati (%d)"},
    /* 104 */ {"Delete all", "Cancella tutto"},
    /* 105 */ {"Set selected", "Imposta selezionati"},
    /* 106 */ {"Set", "Imposta"},
    /* 107 */ {"Search", "Cerca"},
    /* 108 */ {"Update", "Aggiorna"},
    /* 109 */ {"Ask password for modification", "Richiedi password per modifiche"},
    /* 110 */ {"Change password", "Cambia password"},
    /* 111 */ {"Use web connection", "Usa connessione web"},
    /* 112 */ {"Update every", "Aggiorna ogni"},
    /* 113 */ {"Never", "Mai"},
    /* 114 */ {"30 seconds", "30 secondi"},
    /* 115 */ {"1 Minute", "1 Minuto"},
    /* 116 */ {"2 Minutes", "2 Minuti"},
    /* 117 */ {"Active station", "Centrale attiva"},
    /* 118 */ {"Register", "Registra"},
    /* 119 */ {"Delete", "Elimina"},
    /* 120 */ {"Change name", "Cambia nome"},
    /* 121 */ {"New password", "Nuova password"},
    /* 122 */ {"Confirm new password", "Conferma nuova password"},
    /* 123 */ {"Rem. controller ON", "Telecomandi ON"},
    /* 124 */ {"Rem. controller OFF", "Telecomandi OFF"},
    /* 125 */ {"Connection status", "Stato connessione"},
    /* 126 */ {"Router parameters", "Parametri router"},
    /* 127 */ {"Use device network", "Usa rete dispositivo"},
    /* 128 */ {"Net name", "Nome rete"},
    /* 129 */ {"Password", "Password"},
    /* 130 */ {"Network setting", "Parametri rete"},
    /* 131 */ {"Use DHCP", "Usa DHCP"},
    /* 132 */ {"IP address", "Indirizzo IP"},
    /* 133 */ {"Gateway", "Gateway"},
    /* 134 */ {"DNS", "DNS"},
    /* 135 */ {"Modify group", "Modifica gruppo"},
    /* 136 */ {"Modify all", "Modifica tutti"},
    /* 137 */ {"Panel", "Pannello"},
    /* 138 */ {"Setting", "Impostazioni"},
    /* 139 */ {"Network", "Network"},
    /* 140 */ {"Back", "Indietro"},
    /* 141 */ {"Save", "Salva"},
    /* 142 */ {"*", "*"},
    /* 143 */ {"Mode", "Modo"},
    /* 144 */ {"Sound allarm", "Allarme sonoro"},
    /* 145 */ {"Lock operating mode", "Blocco modo funzionamento"},
    /* 146 */ {"Error code : ", "Codice errore : "},
    /* 147 */ {"Evaporator Pipe Temp. T2A ", "Temperatura tubo evaporatore T2A "},
    /* 148 */ {"Evaporator Middle Pipe Temp. T2B ", "Temperatura tubo medio evaporatore. T2B "},
    /* 149 */ {"Condenser Pipe Temp. T3 ", "Temperatura tubo condensatore Pipe Temp. T3 "},
    /* 150 */ {"Help", "Aiuto"},
    /* 151 */ {"Name", "Nome"},
    /* 152 */ {"No units selected", "Nessuna unità selezionata"},
    /* 153 */ {"Programm setting", "Imposta programmi"},
    /* 154 */ {"Add", "Aggiungi"},
    /* 155 */ {"Day:", "Giorno:"},
    /* 156 */ {"Hour:", "Ora:"},
    /* 157 */ {"Minutes:", "Minuti:"},
    /* 158 */ {"Temperature:", "Temperatura:"},
    /* 159 */ {"Mode:", "Modo:"},
    /* 160 */ {"Fan speed:", "Ventilazione:"},
    /* 161 */ {"Open connection at ", "Connesso all'indirizzo "},
    /* 162 */ {"Can not remove control unit activates", "Impossibile rimuovere controllo attivo"},
    /* 163 */ {"Centralized control does not respond", "Il controllo centralizzato non risponde"},
    /* 164 */ {"Unable to communicate with the centralized control", "Impossibile comunicare con il controllo centralizzato"},
    /* 165 */ {"Waiting please...", "Attendere prego..."},
    /* 166 */ {"Language", "Lingua"},
    /* 167 */ {"Passwords do not match", "Le password non coincidono"},
    /* 168 */ {"Name", "Nome"},
    /* 169 */ {"IP address", "Indirizzo IP"},
}};
// clang-format on

QStringList buildTable(int column)
{
    QStringList table;
    table.reserve(TextCount);
    for (const auto &entry : textTable)
        table.append(QString::fromUtf8(column == 0 ? entry.first : entry.second));
    return table;
}

} // namespace

QStringList texts;

namespace {
int loadedLanguage = 0;
} // namespace

const QStringList &languageTable(int lang)
{
    static const QStringList english = buildTable(0);
    static const QStringList italian = buildTable(1);
    return lang == 1 ? italian : english;
}

void loadLanguage(int lang)
{
    texts = languageTable(lang);
    loadedLanguage = lang == 1 ? 1 : 0;
}

QString extraText(ExtraText id)
{
    switch (id) {
    case ExtraText::RegistrationNotConfigured:
        return loadedLanguage == 1 ? QStringLiteral("La registrazione non è configurata: la sezione SENS di "
                                                    "brezzano.ini non contiene un indirizzo REGURL valido.")
                                   : QStringLiteral("Registration is not configured: the SENS section of "
                                                    "brezzano.ini holds no usable REGURL address.");
    case ExtraText::ChooseFanSpeed:
        return loadedLanguage == 1 ? QStringLiteral("Scegliere una velocità del ventilatore.")
                                   : QStringLiteral("Choose a fan speed.");
    case ExtraText::ZoomIn:
        return loadedLanguage == 1 ? QStringLiteral("Ingrandisci") : QStringLiteral("Zoom in");
    case ExtraText::ZoomOut:
        return loadedLanguage == 1 ? QStringLiteral("Riduci") : QStringLiteral("Zoom out");
    case ExtraText::FitWidth:
        return loadedLanguage == 1 ? QStringLiteral("Adatta alla larghezza") : QStringLiteral("Fit width");
    case ExtraText::PreviousPage:
        return loadedLanguage == 1 ? QStringLiteral("Pagina precedente") : QStringLiteral("Previous page");
    case ExtraText::NextPage:
        return loadedLanguage == 1 ? QStringLiteral("Pagina successiva") : QStringLiteral("Next page");
    case ExtraText::NotSentToUnits:
        return loadedLanguage == 1 ? QString::fromUtf8("Non inviato alle unità: %1")
                                   : QStringLiteral("Not sent to units: %1");
    case ExtraText::ScheduleBlockNotSent:
        return loadedLanguage == 1
                   ? QString::fromUtf8("Blocco %1 della programmazione non inviato alle unità: %2")
                   : QStringLiteral("Schedule block %1 not sent to units: %2");
    case ExtraText::AllUnits:
        return loadedLanguage == 1 ? QStringLiteral("tutte") : QStringLiteral("all");
    case ExtraText::CannotRead:
        return loadedLanguage == 1 ? QStringLiteral("Impossibile leggere %1: %2")
                                   : QStringLiteral("Cannot read %1: %2");
    case ExtraText::CannotWrite:
        return loadedLanguage == 1 ? QStringLiteral("Impossibile scrivere %1: %2")
                                   : QStringLiteral("Cannot write %1: %2");
    case ExtraText::NotRegularFile:
        return loadedLanguage == 1 ? QString::fromUtf8("non è un file normale")
                                   : QStringLiteral("not a regular file");
    case ExtraText::FileTooLarge:
        return loadedLanguage == 1 ? QString::fromUtf8("più grande di 16 MB")
                                   : QStringLiteral("larger than 16 MB");
    case ExtraText::StartedWithDefaults:
        return loadedLanguage == 1
                   ? QString::fromUtf8(
                         "Il programma parte con le impostazioni predefinite e non sovrascrive il file.")
                   : QStringLiteral("The program starts with its defaults and will not overwrite the file.");
    case ExtraText::AlreadyRunning:
        return loadedLanguage == 1 ? QString::fromUtf8("Brezzano è già in esecuzione nella cartella %1.")
                                   : QStringLiteral("Brezzano already runs in the folder %1.");
    case ExtraText::FolderReadOnly:
        return loadedLanguage == 1
                   ? QString::fromUtf8(
                         "Impossibile scrivere nella cartella %1: le impostazioni e lo storico non "
                         "saranno conservati.")
                   : QStringLiteral(
                         "The folder %1 cannot be written: the settings and the history will not be kept.");
    case ExtraText::SettingsNotSent:
        return loadedLanguage == 1 ? QStringLiteral("Le impostazioni non sono state inviate al modulo.")
                                   : QStringLiteral("The settings were not sent to the module.");
    case ExtraText::FieldEmpty:
        return loadedLanguage == 1 ? QStringLiteral("%1: il campo è vuoto.")
                                   : QStringLiteral("%1: the field is empty.");
    case ExtraText::FieldTooLong:
        return loadedLanguage == 1 ? QStringLiteral("%1: più di %2 caratteri.")
                                   : QStringLiteral("%1: more than %2 characters.");
    case ExtraText::FieldNotAnAddress:
        return loadedLanguage == 1
                   ? QStringLiteral("%1: non è un indirizzo (quattro numeri da 0 a 255 separati da punti).")
                   : QStringLiteral("%1: not an address (four numbers from 0 to 255 separated by dots).");
    case ExtraText::FieldBadCharacter:
        return loadedLanguage == 1 ? QStringLiteral("%1: contiene un carattere che il modulo non accetta (un "
                                                    "carattere di controllo o fuori da Latin-1).")
                                   : QStringLiteral("%1: holds a character that the module cannot take (a "
                                                    "control character, or one outside Latin-1).");
    case ExtraText::LockNotSentToUnits:
        return loadedLanguage == 1 ? QString::fromUtf8("Blocco del telecomando non inviato alle unità: %1")
                                   : QStringLiteral("Remote control lock not sent to units: %1");
    case ExtraText::PartSettings:
        return loadedLanguage == 1 ? QStringLiteral("impostazioni") : QStringLiteral("settings");
    case ExtraText::PartLock:
        return loadedLanguage == 1 ? QStringLiteral("blocco del telecomando")
                                   : QStringLiteral("remote control lock");
    case ExtraText::PartName:
        return loadedLanguage == 1 ? QStringLiteral("nome") : QStringLiteral("name");
    case ExtraText::PartOutcome:
        // Italian reads the outcome as a status label: no agreement with the part.
        return loadedLanguage == 1 ? QStringLiteral("%1: %2") : QStringLiteral("%1 %2");
    case ExtraText::WriteApplied:
        return loadedLanguage == 1 ? QStringLiteral("applicato") : QStringLiteral("applied");
    case ExtraText::WriteNotApplied:
        return loadedLanguage == 1 ? QStringLiteral("non applicato: %1") : QStringLiteral("not applied: %1");
    case ExtraText::WriteNotConfirmed:
        return loadedLanguage == 1 ? QStringLiteral("non confermato: %1")
                                   : QStringLiteral("not confirmed: %1");
    case ExtraText::WriteNotSent:
        return loadedLanguage == 1 ? QStringLiteral("non inviato: %1") : QStringLiteral("not sent: %1");
    case ExtraText::WriteRefused:
        return loadedLanguage == 1 ? QStringLiteral("rifiutato: %1") : QStringLiteral("refused: %1");
    case ExtraText::TempOutsideLimits:
        return loadedLanguage == 1
                   ? QString::fromUtf8("temperatura %1 fuori dai limiti dell'unità, da %2 a %3")
                   : QStringLiteral("temperature %1 outside the unit's limits %2 to %3");
    case ExtraText::LimitOutside:
        return loadedLanguage == 1 ? QStringLiteral("%1=%2 fuori dall'intervallo da %3 a %4")
                                   : QStringLiteral("%1=%2 outside %3 to %4");
    case ExtraText::LimitsCrossed:
        return loadedLanguage == 1 ? QStringLiteral("minimo %1 sopra il massimo %2")
                                   : QStringLiteral("minimum %1 above maximum %2");
    case ExtraText::TempOutsideNew:
        return loadedLanguage == 1
                   ? QString::fromUtf8(
                         "la temperatura impostata dell'unità, %1, cadrebbe fuori dai nuovi limiti "
                         "da %2 a %3: indicare anche una temperatura")
                   : QStringLiteral(
                         "the unit's set temperature %1 would lie outside the new limits %2 to %3: "
                         "name a temperature too");
    case ExtraText::UnitReports:
        return loadedLanguage == 1 ? QString::fromUtf8("l'unità riporta %1")
                                   : QStringLiteral("the unit reports %1");
    case ExtraText::StatusUnread:
        return loadedLanguage == 1 ? QString::fromUtf8("lo stato dell'unità non è leggibile")
                                   : QStringLiteral("the unit's status could not be read");
    case ExtraText::ReadBackFailed:
        return loadedLanguage == 1 ? QString::fromUtf8("l'unità non è stata riletta")
                                   : QStringLiteral("the unit could not be read back");
    case ExtraText::LinkWasCut:
        return loadedLanguage == 1 ? QString::fromUtf8("il collegamento si è interrotto")
                                   : QStringLiteral("the link was cut");
    }
    return {};
}

QString escapeControls(const QString &text)
{
    // C0, DEL and C1, and what starts a line or turns text around without showing:
    // line and paragraph separators and format characters (bidirectional overrides).
    const auto isControl = [](QChar c) {
        const QChar::Category category = c.category();
        return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F) ||
               category == QChar::Separator_Line || category == QChar::Separator_Paragraph ||
               category == QChar::Other_Format;
    };
    if (std::none_of(text.begin(), text.end(), isControl))
        return text;
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (!isControl(c))
            out += c;
        else if (c.unicode() <= 0xFF)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return out;
}
