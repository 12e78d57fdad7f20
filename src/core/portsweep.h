#ifndef PORTSWEEP_H
#define PORTSWEEP_H

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVector>

class QSocketNotifier;
class QTimer;

// Which addresses take a TCP connection on a port: many connections opened
// at once, in one thread, each given up after a time; nothing is sent on
// them. What a scan asks first, so that only printers that are there get a
// request.
class PortSweep : public QObject
{
    Q_OBJECT

public:
    PortSweep(const QStringList &addresses, quint16 port, int timeoutMs, QObject *parent = nullptr);
    ~PortSweep() override;

    // At most this many connections under way at once (default: what the
    // process's descriptor limit leaves room for, up to 1024).
    void setMaxOpen(int n) { m_maxOpen = qMax(1, n); }
    void start();
    // The addresses that took the connection, in the order given.
    QStringList open() const;

signals:
    void finished();

private:
    struct Attempt
    {
        int index = -1;
        int fd = -1;
        qint64 deadline = 0;
        QSocketNotifier *notifier = nullptr;
    };
    void fill();
    void settle(int fd, bool open);
    void expire();

    QStringList m_addresses;
    quint16 m_port;
    int m_timeoutMs;
    int m_maxOpen;
    int m_next = 0;
    QHash<int, Attempt> m_pending; // by descriptor
    QVector<bool> m_open;
    QElapsedTimer m_clock;
    QTimer *m_tick = nullptr;
    bool m_done = false;
};

#endif // PORTSWEEP_H
