#ifndef HTTPEXCHANGE_H
#define HTTPEXCHANGE_H

#include "net/httpwire.h"

#include <QObject>

class QTcpSocket;
class QUrl;

// One request and its answer on a connection of its own, in this thread.
// What the fleet runner sends its many small form requests over: a network
// access manager's per-request set-up and its hand-offs to a network thread
// cost several times the exchange itself when printers answer at once.
class HttpExchange : public QObject
{
    Q_OBJECT

public:
    explicit HttpExchange(QObject *parent = nullptr);

    void start(const QUrl &url, const QByteArray &method, const QByteArray &body, const QByteArray &contentType);

signals:
    // The whole request has been handed to the connection.
    void written();
    // Exactly once: the answer's status and body, or 0 and nothing when no
    // whole HTTP answer came.
    void finished(int status, const QByteArray &body);

private:
    void readAnswer();
    void end();

    QTcpSocket *m_socket = nullptr;
    HttpWire::ResponseParser m_parser;
    qint64 m_toWrite = 0;
    bool m_ended = false;
};

#endif // HTTPEXCHANGE_H
