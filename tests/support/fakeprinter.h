#ifndef FAKEPRINTER_H
#define FAKEPRINTER_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

// A scriptable printer on one address and port (each test its own
// 127.x.y.z on 9100). It records every request's raw bytes and answers
// each path as scripted: status and body, a delay, or a misbehaviour.
class FakePrinter : public QObject
{
    Q_OBJECT

public:
    enum class Mode {
        Answer, // status line, Content-Length, body
        Never, // read the request, keep the connection open, say nothing
        Close, // close the connection without any answer
        ResetMidBody, // headers and half the body, then a TCP reset
        Chunked, // the body in chunked transfer coding
        Trickle, // the whole answer one byte at a time
        NotHttp, // a status line that is not HTTP, then close
        Hold, // keep the request until release() answers it
    };

    struct Script
    {
        int status = 200;
        QByteArray body;
        int delayMs = 0;
        Mode mode = Mode::Answer;
    };

    struct Request
    {
        QByteArray method;
        QByteArray path;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        QByteArray raw;
        QByteArray header(const QByteArray &name) const;
    };

    struct Part
    {
        QByteArray name;
        QByteArray filename;
        bool hasFilename = false;
        QList<QByteArray> headerLines;
        QByteArray data;
    };

    explicit FakePrinter(const QString &address, quint16 port = 9100, QObject *parent = nullptr);
    ~FakePrinter() override;

    bool isListening() const { return m_server.isListening(); }
    QString errorString() const { return m_server.errorString(); }

    // Path as requested, e.g. "/lsp/setIP.php"; unscripted paths get 200 "".
    void script(const QByteArray &path, const Script &script);
    void answer(const QByteArray &path, int status, const QByteArray &body = QByteArray());

    // Answers the oldest held request.
    bool release(int status, const QByteArray &body = QByteArray());
    int heldCount() const { return m_held.size(); }

    // Takes at most this many bytes a second from each connection (0: as
    // fast as they come), so that a client's upload is held to that pace.
    void setReadRate(int bytesPerSecond);

    QList<Request> requests() const { return m_requests; }
    QList<Request> requestsFor(const QByteArray &path) const;
    bool waitForRequests(int count, int ms = 5000) const;
    void clearRequests() { m_requests.clear(); }

    // Parses a multipart body the way a tolerant server does: delimiters on
    // lines of their own, LF or CR LF.
    static QList<Part> parseMultipart(const QByteArray &body, const QByteArray &boundary);
    static QByteArray boundaryOf(const QByteArray &contentType);

signals:
    void requestReceived();

private:
    struct Connection
    {
        QByteArray buffer;
    };

    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void readPaced();
    void respond(QTcpSocket *socket, const Script &script);
    void sendAnswer(QTcpSocket *socket, const Script &script);

    QTcpServer m_server;
    QHash<QByteArray, Script> m_scripts;
    QHash<QTcpSocket *, Connection> m_connections;
    QList<Request> m_requests;
    QList<QPointer<QTcpSocket>> m_held;
    int m_readRate = 0;
    QTimer *m_pacer = nullptr;
};

#endif // FAKEPRINTER_H
