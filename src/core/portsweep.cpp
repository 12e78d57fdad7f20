#include "core/portsweep.h"

#include "core/printeraddress.h"

#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int roomForDescriptors()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 1024;
    // Leave the rest of the process its descriptors.
    return int(qBound<rlim_t>(16, limit.rlim_cur > 128 ? limit.rlim_cur - 128 : limit.rlim_cur / 2, 1024));
}
} // namespace

PortSweep::PortSweep(const QStringList &addresses, quint16 port, int timeoutMs, QObject *parent)
    : QObject(parent)
    , m_addresses(addresses)
    , m_port(port)
    , m_timeoutMs(timeoutMs)
    , m_maxOpen(roomForDescriptors())
    , m_open(addresses.size(), false)
{
}

PortSweep::~PortSweep()
{
    for (const Attempt &a : qAsConst(m_pending)) {
        delete a.notifier;
        ::close(a.fd);
    }
}

void PortSweep::start()
{
    m_clock.start();
    m_tick = new QTimer(this);
    m_tick->setInterval(20);
    connect(m_tick, &QTimer::timeout, this, &PortSweep::expire);
    m_tick->start();
    // From the event loop, so that finished() never comes from within start().
    QTimer::singleShot(0, this, &PortSweep::fill);
}

QStringList PortSweep::open() const
{
    QStringList result;
    for (int i = 0; i < m_addresses.size(); ++i)
        if (m_open.at(i))
            result << m_addresses.at(i);
    return result;
}

void PortSweep::fill()
{
    while (m_pending.size() < m_maxOpen && m_next < m_addresses.size()) {
        const int index = m_next++;
        const PrinterAddress address = PrinterAddress::parse(m_addresses.at(index));
        if (!address.isValid())
            continue;
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            --m_next; // out of descriptors for now: try again as others end
            break;
        }
        sockaddr_in to {};
        to.sin_family = AF_INET;
        to.sin_port = htons(m_port);
        to.sin_addr.s_addr = htonl(address.value());
        if (::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0) {
            m_open[index] = true;
            ::close(fd);
            continue;
        }
        if (errno != EINPROGRESS) {
            ::close(fd); // refused, unreachable: nothing there
            continue;
        }
        Attempt a;
        a.index = index;
        a.fd = fd;
        a.deadline = m_clock.elapsed() + m_timeoutMs;
        a.notifier = new QSocketNotifier(fd, QSocketNotifier::Write);
        connect(a.notifier, &QSocketNotifier::activated, this, [this, fd] {
            int error = 0;
            socklen_t length = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
            settle(fd, error == 0);
        });
        m_pending.insert(fd, a);
    }
    if (m_pending.isEmpty() && m_next >= m_addresses.size() && !m_done) {
        m_done = true;
        m_tick->stop();
        emit finished();
    }
}

void PortSweep::settle(int fd, bool open)
{
    const Attempt a = m_pending.take(fd);
    if (a.fd < 0)
        return;
    a.notifier->setEnabled(false);
    a.notifier->deleteLater();
    ::close(fd);
    if (open)
        m_open[a.index] = true;
    fill();
}

void PortSweep::expire()
{
    const qint64 now = m_clock.elapsed();
    QList<int> late;
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it)
        if (it->deadline <= now)
            late << it.key();
    for (int fd : late)
        settle(fd, false);
    if (late.isEmpty() && m_pending.isEmpty())
        fill();
}
