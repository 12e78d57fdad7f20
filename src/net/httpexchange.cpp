#include "net/httpexchange.h"

#include <QHostAddress>
#include <QSocketNotifier>
#include <QUrl>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Read per turn of the event loop at most, so that one printer's long
// answer does not hold up the others'.
const int ReadsPerTurn = 4;
const int ReadPiece = 64 * 1024;
} // namespace

HttpExchange::HttpExchange(QObject *parent)
    : QObject(parent)
{
}

HttpExchange::~HttpExchange()
{
    // The notifiers must go before the descriptor they watch.
    delete m_readNotifier;
    delete m_writeNotifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void HttpExchange::start(const QUrl &url, const QByteArray &method, const QByteArray &body,
                         const QByteArray &contentType)
{
    m_request = HttpWire::request(method, url, body, contentType);
    QHostAddress host;
    sockaddr_in address {};
    bool ok = host.setAddress(url.host()) && host.protocol() == QAbstractSocket::IPv4Protocol;
    if (ok) {
        address.sin_family = AF_INET;
        address.sin_port = htons(quint16(url.port(80)));
        address.sin_addr.s_addr = htonl(host.toIPv4Address());
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ok = m_fd >= 0;
    }
    if (ok && ::connect(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) < 0)
        ok = errno == EINPROGRESS || errno == EINTR;
    if (!ok) {
        // Nothing went out: no answer, reported as any other end is.
        QMetaObject::invokeMethod(this, &HttpExchange::end, Qt::QueuedConnection);
        return;
    }
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &HttpExchange::writable);
}

void HttpExchange::writable()
{
    if (m_ended)
        return;
    if (!m_connected) {
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) < 0 || error != 0) {
            end(); // refused, unreachable: no answer
            return;
        }
        m_connected = true;
        // An answer may come before the whole request has gone.
        m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_readNotifier, &QSocketNotifier::activated, this, &HttpExchange::readable);
    }
    const ssize_t n = ::send(m_fd, m_request.constData() + m_sent, size_t(m_request.size() - m_sent), MSG_NOSIGNAL);
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            drainAfterError();
        return;
    }
    m_sent += int(n);
    if (m_sent == m_request.size()) {
        m_writeNotifier->setEnabled(false);
        m_request.clear();
        emit written();
    }
}

void HttpExchange::readable()
{
    char piece[ReadPiece];
    for (int i = 0; i < ReadsPerTurn && !m_ended; ++i) {
        const ssize_t n = ::recv(m_fd, piece, sizeof piece, 0);
        if (n > 0) {
            if (m_parser.feed(QByteArray(piece, int(n))) != HttpWire::ResponseParser::State::Incomplete)
                end();
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
        // Closed by the printer, or reset.
        m_parser.closed();
        end();
    }
}

void HttpExchange::drainAfterError()
{
    // The printer stopped taking the request; what it said before that
    // still counts.
    char piece[ReadPiece];
    for (int i = 0; i < ReadsPerTurn * 4; ++i) {
        const ssize_t n = ::recv(m_fd, piece, sizeof piece, MSG_DONTWAIT);
        if (n <= 0 || m_parser.feed(QByteArray(piece, int(n))) != HttpWire::ResponseParser::State::Incomplete)
            break;
    }
    m_parser.closed();
    end();
}

void HttpExchange::end()
{
    if (m_ended)
        return;
    m_ended = true;
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    // Reported before the connection is closed: over a fleet the next
    // printer's request starts from this report, and need not wait for it.
    // An answer that did not come whole is no answer: a body cut short
    // might still hold the word that means success.
    if (m_parser.state() == HttpWire::ResponseParser::State::Complete)
        emit finished(m_parser.status(), m_parser.body());
    else
        emit finished(0, QByteArray());
}
