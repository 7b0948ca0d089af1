#include "session/SitePoller.h"

#include "link/Intervals.h"
#include "session/ControllerSession.h"
#include "units/UnitTable.h"

#include <QTimer>

#include <algorithm>
#include <array>
#include <map>

namespace site {

std::vector<int> displayOrder(const std::vector<Row> &rows)
{
    std::vector<int> order(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        order[i] = int(i);
    const auto group = [&rows](int i) {
        const Row &r = rows[size_t(i)];
        if (r.faults > 0)
            return 0;
        return r.failure == status::Link::Unreachable || r.failure == status::Link::Silent ? 1 : 2;
    };
    std::stable_sort(order.begin(), order.end(), [&group](int a, int b) { return group(a) < group(b); });
    return order;
}

QString text(Text id, int lang)
{
    // clang-format off
    static const std::array<std::array<const char *, 2>, 7> table{{
        {"Site", "Impianto"},
        {"Name", "Nome"},
        {"Address", "Indirizzo"},
        {"State", "Stato"},
        {"Units online", "Unità in linea"},
        {"Units in fault", "Unità in errore"},
        {"Last reading", "Ultima lettura"},
    }};
    // clang-format on
    return QString::fromUtf8(table[size_t(id)][lang == 1 ? 1 : 0]);
}

namespace {

// A complete reading of `m` into the row.
void fill(Row &row, const ControllerModel &m)
{
    row.failure = status::Link::Idle;
    row.updatedAt = QDateTime::currentDateTime();
    row.online = 0;
    row.faults = 0;
    for (int adr = 0; adr < PanelUnits; ++adr) {
        if (m.unit_online[size_t(adr)] == 0)
            continue;
        ++row.online;
        if (units::inFault(m.unit_par[size_t(adr)]))
            ++row.faults;
    }
}

} // namespace

struct Poller::Reader
{
    QString address;
    std::unique_ptr<ControllerSession> session; // made at its first reading
    bool busy = false;
    bool unitsRead = false;
    bool abortWanted = false; // the window wants this controller: give the link up
    quint64 exchange = 0;
    qint64 due = 0; // poller clock ms of the next reading
};

Poller::Poller(ControllerSession &window, QObject *parent) : QObject(parent), window(window)
{
    clock.start();
    ticker = new QTimer(this);
    ticker->setInterval(intervals().siteTick);
    connect(ticker, &QTimer::timeout, this, &Poller::tick);
    connect(&window, &ControllerSession::unitsChanged, this, &Poller::windowRead);
    connect(&window, &ControllerSession::failed, this, &Poller::windowRead);
    connect(&window, &ControllerSession::linkStateChanged, this, &Poller::windowStateChanged);
}

Poller::~Poller() = default;

qint64 Poller::now() const
{
    return clock.elapsed();
}

void Poller::setDevices(const std::vector<std::pair<QString, QString>> &devices, const QString &active)
{
    std::map<QString, std::unique_ptr<Reader>> kept;
    std::map<QString, Row> keptRows;
    for (size_t i = 0; i < readers.size(); ++i) {
        keptRows[list[i].address] = list[i];
        kept[readers[i]->address] = std::move(readers[i]);
    }
    list.clear();
    readers.clear();
    for (const auto &[name, address] : devices) {
        // One row a controller: an address listed twice is read once.
        if (std::any_of(list.begin(), list.end(), [&](const Row &r) { return r.address == address; }))
            continue;
        Row row = keptRows.count(address) ? keptRows[address] : Row();
        row.name = name;
        row.address = address;
        row.active = address == active;
        list.push_back(row);
        auto reader = kept.count(address) ? std::move(kept[address]) : std::make_unique<Reader>();
        reader->address = address;
        readers.push_back(std::move(reader));
    }
    // The window reads its own controller: a reading of ours under way there gives way.
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].active)
            giveUp(*readers[i]);
    // Readers of controllers gone from the book end with their sessions here.
    emit rowsChanged();
}

void Poller::setPeriod(int seconds)
{
    periodMs = std::max(0, seconds) * 1000;
    if (periodMs == 0) {
        ticker->stop();
        return;
    }
    ticker->start();
    tick();
}

int Poller::linksOpen() const
{
    return int(std::count_if(readers.begin(), readers.end(), [](const auto &r) { return r->busy; }));
}

ControllerSession *Poller::sessionOf(const QString &address) const
{
    for (const auto &reader : readers)
        if (reader->address == address)
            return reader->session.get();
    return nullptr;
}

void Poller::tick()
{
    if (periodMs <= 0)
        return;
    const qint64 t = now();
    const bool windowIdle = window.state() == LinkState::Idle;
    int open = linksOpen();
    for (size_t i = 0; i < list.size(); ++i) {
        if (!windowIdle)
            return; // what the user started goes first
        if (list[i].active) {
            const bool stale = activeReadAt < 0 || t - activeReadAt >= periodMs;
            const bool asked = activeAskedAt >= 0 && t - activeAskedAt < periodMs;
            if (stale && !asked && reloadActive && reloadActive())
                activeAskedAt = t;
            continue;
        }
        Reader &reader = *readers[i];
        if (reader.busy || t < reader.due)
            continue;
        if (open >= MaxLinks)
            return;
        // The window's own link may still be closing towards this controller.
        if (window.openHostName() == reader.address && window.linkIsOpen())
            continue;
        reader.due = t + periodMs;
        ++open;
        start(reader);
    }
}

void Poller::start(Reader &reader)
{
    if (!reader.session) {
        reader.session = std::make_unique<ControllerSession>();
        ControllerSession &s = *reader.session;
        // Many links at once: no read pass waits for an answer on its way.
        s.waitInRead = false;
        s.sendOnOpen = true;
        Reader *r = &reader;
        connect(&s, &ControllerSession::unitsChanged, this, [r] { r->unitsRead = true; });
        connect(&s, &ControllerSession::exchangeFinished, this,
                [this, r] { ended(*r, r->unitsRead, status::Link::Silent); });
        connect(&s, &ControllerSession::failed, this, [this, r](int textNumber) {
            ended(*r, false, textNumber == 164 ? status::Link::Unreachable : status::Link::Silent);
        });
        connect(&s, &ControllerSession::handlerFailed, this,
                [this, r] { ended(*r, false, status::Link::Silent); });
        // The session is the context of what runs later: a reader dropped from the book takes it along.
        connect(&s, &ControllerSession::linkOpened, this, [r] {
            if (r->abortWanted)
                QTimer::singleShot(0, r->session.get(), [r] { r->session->closeLink(); });
        });
        // A link cut (or given up for the window) closes without a message.
        connect(&s, &ControllerSession::linkClosed, this, [this, r] {
            const quint64 exchange = r->exchange;
            QTimer::singleShot(0, r->session.get(), [this, r, exchange] {
                if (r->busy && exchange == r->exchange && r->session->state() == LinkState::Idle)
                    ended(*r, false, status::Link::Silent);
            });
        });
        emit sessionAdded(&s);
    }
    reader.busy = true;
    reader.unitsRead = false;
    reader.abortWanted = false;
    ++reader.exchange;
    ControllerSession &s = *reader.session;
    s.TaskList.Clear();
    s.queueReload();
    s.setLinkHost(reader.address);
    // One silence ends the reading: a controller that does not answer holds no link for long.
    s.openConnection(true, 1);
}

void Poller::ended(Reader &reader, bool ok, status::Link failure)
{
    if (!reader.busy)
        return;
    reader.busy = false;
    const auto at =
        std::find_if(readers.begin(), readers.end(), [&](const auto &r) { return r.get() == &reader; });
    if (at == readers.end())
        return;
    Row &row = list[size_t(at - readers.begin())];
    if (std::exchange(reader.abortWanted, false) && !ok) {
        reader.due = now(); // given up for the window: read again once it is done
        return;
    }
    if (ok) {
        fill(row, reader.session->model);
    } else {
        if (row.failure != status::Link::Unreachable && row.failure != status::Link::Silent)
            row.failedAt = QDateTime::currentDateTime();
        row.failure = failure;
    }
    emit rowsChanged();
    // A free link: the next due controller need not wait for the tick.
    QTimer::singleShot(0, this, &Poller::tick);
}

void Poller::windowRead()
{
    const auto at = std::find_if(list.begin(), list.end(), [](const Row &r) { return r.active; });
    if (at == list.end())
        return;
    Row &row = *at;
    const ControllerModel &m = window.model;
    status::Facts facts;
    window.describeLink(facts);
    if ((facts.link == status::Link::Unreachable || facts.link == status::Link::Silent) &&
        facts.linkHost == row.address) {
        row.failure = facts.link;
        row.failedAt = facts.failedAt;
    } else if (m.unitsReadFrom == row.address) {
        activeReadAt = now();
        fill(row, m);
    } else {
        return;
    }
    emit rowsChanged();
}

void Poller::windowStateChanged()
{
    if (window.state() == LinkState::Idle) {
        QTimer::singleShot(0, this, &Poller::tick);
        return;
    }
    // A controller takes one link at a time: the window's goes first.
    const QString wanted = window.linkIsOpen() ? window.openHostName() : window.linkHostName();
    for (const auto &reader : readers)
        if (reader->address == wanted)
            giveUp(*reader);
}

void Poller::giveUp(Reader &reader)
{
    if (!reader.busy || !reader.session)
        return;
    reader.abortWanted = true;
    ControllerSession &s = *reader.session;
    if (s.linkIsOpen()) {
        s.closeLink();
    } else if (s.state() == LinkState::RetryWait) {
        s.cancelRetry();
        ended(reader, false, status::Link::Idle);
    }
    // A connection attempt under way is closed as soon as it opens.
}

} // namespace site
