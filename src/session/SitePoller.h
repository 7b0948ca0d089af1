#pragma once

#include "shell/StatusLine.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class ControllerSession;
class QTimer;

namespace site {

// One controller of the address book as the site overview shows it.
struct Row
{
    QString name;
    QString address;
    status::Link failure = status::Link::Idle; // Unreachable or Silent while it fails
    QDateTime failedAt;                        // since when it fails
    QDateTime updatedAt;                       // the last complete reading; invalid: none yet
    int online = 0;                            // units on its online list at that reading
    int faults = 0;                            // of those, units in fault
    bool active = false;                       // the window's own device, read by the window
};

// The order rows are shown in: controllers with units in fault first, as the panel puts units
// in fault first, then those that fail, then the rest, each group in address-book order.
std::vector<int> displayOrder(const std::vector<Row> &rows);

// The site's texts, English (0) and Italian (1).
enum class Text { Tab, Name, Address, State, Online, Faults, LastReading };
QString text(Text id, int lang);

// Reads every controller of the address book side by side, one session each, a pass every
// period: at most `MaxLinks` links at once, never while the window's own session has a link or an
// attempt under way (what the user started goes first), and never the active controller, which
// the window reads itself: its row follows the window's session, and when that has not read it
// for a period the poller asks the window to reload it.
class Poller final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Poller)
public:
    static constexpr int MaxLinks = 4;

    explicit Poller(ControllerSession &window, QObject *parent = nullptr);
    ~Poller() override;

    // The address book, (name, address) in its order, and the active controller's address.
    // Readings of controllers that stay in the book are kept.
    void setDevices(const std::vector<std::pair<QString, QString>> &devices, const QString &active);
    // Seconds between two readings of a controller; 0 stops polling. The first pass starts at once.
    void setPeriod(int seconds);
    const std::vector<Row> &rows() const { return list; }
    int linksOpen() const;
    // The session that reads `address`, once it has been polled; null for the active controller.
    ControllerSession *sessionOf(const QString &address) const;

    // Asks the window to reload the active controller's panel; false when the window can't now
    // (asked again at the next tick).
    std::function<bool()> reloadActive;

signals:
    void rowsChanged();
    // A session was made for a controller: it brings that controller's readings.
    void sessionAdded(ControllerSession *session);

private:
    struct Reader;

    void tick();
    void start(Reader &reader);
    void ended(Reader &reader, bool ok, status::Link failure);
    // A reading under way leaves its controller to the window; it is read again later.
    void giveUp(Reader &reader);
    void windowRead();
    void windowStateChanged();
    qint64 now() const;

    ControllerSession &window;
    std::vector<Row> list;
    std::vector<std::unique_ptr<Reader>> readers; // one a row, in the same order
    QTimer *ticker = nullptr;
    int periodMs = 0;
    qint64 activeAskedAt = -1; // when the window was last asked to reload the active controller
    qint64 activeReadAt = -1;  // when the window last read it
    QElapsedTimer clock;
};

} // namespace site
