#ifndef HTTPEXCHANGE_H
#define HTTPEXCHANGE_H

#include "net/httpwire.h"

#include <QObject>

class QSocketNotifier;
class QUrl;

// One request and its answer on a connection of its own, in this thread.
// What the fleet runner sends its many small requests over: a network
// access manager's per-request set-up and its hand-offs to a network thread
// cost several times the exchange itself when printers answer at once, and
// a socket object's own bookkeeping about as much again. Printers are
// reached by IPv4 address, directly.
class HttpExchange : public QObject
{
    Q_OBJECT

public:
    explicit HttpExchange(QObject *parent = nullptr);
    ~HttpExchange() override;

    // Reports through the signals only, never from within this call.
    void start(const QUrl &url, const QByteArray &method, const QByteArray &body, const QByteArray &contentType);

signals:
    // The whole request has been handed to the connection.
    void written();
    // Exactly once: the answer's status and body, or 0 and nothing when no
    // whole HTTP answer came.
    void finished(int status, const QByteArray &body);

private:
    void writable();
    void readable();
    void drainAfterError();
    void end();

    int m_fd = -1;
    QSocketNotifier *m_writeNotifier = nullptr;
    QSocketNotifier *m_readNotifier = nullptr;
    QByteArray m_request;
    int m_sent = 0;
    bool m_connected = false;
    bool m_ended = false;
    HttpWire::ResponseParser m_parser;
};

#endif // HTTPEXCHANGE_H
