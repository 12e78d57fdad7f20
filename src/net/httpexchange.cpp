#include "net/httpexchange.h"

#include <QNetworkProxy>
#include <QTcpSocket>
#include <QUrl>

HttpExchange::HttpExchange(QObject *parent)
    : QObject(parent)
{
}

void HttpExchange::start(const QUrl &url, const QByteArray &method, const QByteArray &body,
                         const QByteArray &contentType)
{
    const QByteArray request = HttpWire::request(method, url, body, contentType);
    m_toWrite = request.size();
    m_socket = new QTcpSocket(this);
    // Printers are reached directly, as the window reaches them.
    m_socket->setProxy(QNetworkProxy::NoProxy);
    connect(m_socket, &QTcpSocket::connected, this, [this, request] { m_socket->write(request); });
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this](qint64 n) {
        m_toWrite -= n;
        if (m_toWrite == 0)
            emit written();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpExchange::readAnswer);
    // A refused or reset connection, or the printer closing after its answer.
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] {
        readAnswer();
        if (!m_ended) {
            m_parser.closed();
            end();
        }
    });
    m_socket->connectToHost(url.host(), quint16(url.port(80)));
}

void HttpExchange::readAnswer()
{
    if (m_ended)
        return;
    if (m_parser.feed(m_socket->readAll()) != HttpWire::ResponseParser::State::Incomplete)
        end();
}

void HttpExchange::end()
{
    m_ended = true;
    m_socket->disconnect(this);
    // Reported before the connection is closed: over a fleet the next
    // printer's request starts from this report, and need not wait for it.
    // An answer that did not come whole is no answer: a body cut short
    // might still hold the word that means success.
    if (m_parser.state() == HttpWire::ResponseParser::State::Complete)
        emit finished(m_parser.status(), m_parser.body());
    else
        emit finished(0, QByteArray());
    m_socket->abort();
}
