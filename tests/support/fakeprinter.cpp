#include "support/fakeprinter.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <sys/socket.h>

FakePrinter::FakePrinter(const QString &address, quint16 port, QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakePrinter::onNewConnection);
    m_server.listen(QHostAddress(address), port);
}

FakePrinter::~FakePrinter()
{
    for (auto it = m_connections.keyBegin(); it != m_connections.keyEnd(); ++it)
        (*it)->disconnect(this);
}

QByteArray FakePrinter::Request::header(const QByteArray &name) const
{
    for (const auto &h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return QByteArray();
}

void FakePrinter::script(const QByteArray &path, const Script &script)
{
    m_scripts.insert(path, script);
}

void FakePrinter::answer(const QByteArray &path, int status, const QByteArray &body)
{
    Script s;
    s.status = status;
    s.body = body;
    script(path, s);
}

QList<FakePrinter::Request> FakePrinter::requestsFor(const QByteArray &path) const
{
    QList<Request> found;
    for (const Request &r : m_requests)
        if (r.path == path)
            found << r;
    return found;
}

bool FakePrinter::waitForRequests(int count, int ms) const
{
    return QTest::qWaitFor([&] { return m_requests.size() >= count; }, ms);
}

bool FakePrinter::release(int status, const QByteArray &body)
{
    while (!m_held.isEmpty()) {
        QPointer<QTcpSocket> socket = m_held.takeFirst();
        if (!socket || socket->state() != QAbstractSocket::ConnectedState)
            continue;
        Script s;
        s.status = status;
        s.body = body;
        sendAnswer(socket, s);
        return true;
    }
    return false;
}

void FakePrinter::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        m_connections.insert(socket, Connection());
        if (m_readRate > 0) {
            // Qt stops taking bytes from the kernel once this is full; the
            // pacer then drains it a tenth of the rate every 100 ms.
            socket->setReadBufferSize(m_readRate / 10);
            continue;
        }
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_connections.remove(socket);
            socket->deleteLater();
        });
    }
}

void FakePrinter::setReadRate(int bytesPerSecond)
{
    m_readRate = bytesPerSecond;
    if (!m_pacer) {
        m_pacer = new QTimer(this);
        connect(m_pacer, &QTimer::timeout, this, &FakePrinter::readPaced);
    }
    if (bytesPerSecond > 0)
        m_pacer->start(100);
    else
        m_pacer->stop();
}

void FakePrinter::readPaced()
{
    for (QTcpSocket *socket : m_connections.keys())
        onReadyRead(socket);
}

void FakePrinter::onReadyRead(QTcpSocket *socket)
{
    if (!m_connections.contains(socket))
        return;
    Connection &c = m_connections[socket];
    c.buffer += m_readRate > 0 ? socket->read(m_readRate / 10) : socket->readAll();
    const int headerEnd = c.buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;

    Request request;
    const QList<QByteArray> lines = c.buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.path = requestLine.value(1);
    qint64 length = 0;
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const int colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        request.headers << qMakePair(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
        if (line.left(colon).trimmed().compare("Content-Length", Qt::CaseInsensitive) == 0)
            length = line.mid(colon + 1).trimmed().toLongLong();
    }
    if (c.buffer.size() < headerEnd + 4 + length)
        return;
    request.body = c.buffer.mid(headerEnd + 4, int(length));
    request.raw = c.buffer.left(headerEnd + 4 + int(length));
    c.buffer.remove(0, headerEnd + 4 + int(length));
    m_requests << request;
    emit requestReceived();

    const Script s = m_scripts.value(request.path, Script());
    QPointer<QTcpSocket> guarded(socket);
    if (s.delayMs > 0)
        QTimer::singleShot(s.delayMs, this, [this, guarded, s] {
            if (guarded)
                respond(guarded, s);
        });
    else
        respond(socket, s);
}

void FakePrinter::respond(QTcpSocket *socket, const Script &s)
{
    switch (s.mode) {
    case Mode::Never:
        return;
    case Mode::Hold:
        m_held << QPointer<QTcpSocket>(socket);
        return;
    case Mode::Close:
        socket->disconnectFromHost();
        return;
    case Mode::NotHttp:
        socket->write("GARBAGE 200 WHAT\r\n\r\n" + s.body);
        socket->disconnectFromHost();
        return;
    default:
        sendAnswer(socket, s);
    }
}

void FakePrinter::sendAnswer(QTcpSocket *socket, const Script &s)
{
    const QByteArray statusLine = "HTTP/1.1 " + QByteArray::number(s.status) + " Scripted\r\n";
    const QByteArray common = "Content-Type: text/html; charset=UTF-8\r\nConnection: close\r\n";
    switch (s.mode) {
    case Mode::Chunked: {
        QByteArray out = statusLine + common + "Transfer-Encoding: chunked\r\n\r\n";
        for (int i = 0; i < s.body.size(); i += 1000) {
            const QByteArray chunk = s.body.mid(i, 1000);
            out += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
        }
        out += "0\r\n\r\n";
        socket->write(out);
        socket->disconnectFromHost();
        return;
    }
    case Mode::ResetMidBody: {
        socket->write(statusLine + common + "Content-Length: " + QByteArray::number(s.body.size()) + "\r\n\r\n"
                      + s.body.left(s.body.size() / 2));
        socket->flush();
        struct linger hard = {1, 0};
        ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        socket->abort();
        return;
    }
    case Mode::Trickle: {
        const QByteArray out
            = statusLine + common + "Content-Length: " + QByteArray::number(s.body.size()) + "\r\n\r\n" + s.body;
        auto *timer = new QTimer(socket);
        auto position = std::make_shared<int>(0);
        QPointer<QTcpSocket> guarded(socket);
        connect(timer, &QTimer::timeout, socket, [guarded, timer, out, position] {
            if (!guarded)
                return;
            if (*position >= out.size()) {
                timer->stop();
                guarded->disconnectFromHost();
                return;
            }
            guarded->write(out.mid((*position)++, 1));
        });
        timer->start(1);
        return;
    }
    default:
        socket->write(statusLine + common + "Content-Length: " + QByteArray::number(s.body.size()) + "\r\n\r\n"
                      + s.body);
        socket->disconnectFromHost();
    }
}

QByteArray FakePrinter::boundaryOf(const QByteArray &contentType)
{
    const int at = contentType.indexOf("boundary=");
    return at < 0 ? QByteArray() : contentType.mid(at + 9).trimmed();
}

QList<FakePrinter::Part> FakePrinter::parseMultipart(const QByteArray &body, const QByteArray &boundary)
{
    QList<Part> parts;
    const QByteArray delimiter = "--" + boundary;
    int pos = body.indexOf(delimiter);
    while (pos >= 0) {
        int lineEnd = body.indexOf('\n', pos);
        if (body.mid(pos + delimiter.size(), 2) == "--" || lineEnd < 0)
            break; // closing delimiter
        const int next = body.indexOf("\n" + delimiter, lineEnd);
        if (next < 0)
            break;
        QByteArray chunk = body.mid(lineEnd + 1, next - lineEnd - 1);
        if (chunk.endsWith('\r'))
            chunk.chop(1);
        // Headers end at the first empty line.
        int sep = chunk.indexOf("\n\n");
        int skip = 2;
        const int crlf = chunk.indexOf("\r\n\r\n");
        if (crlf >= 0 && (sep < 0 || crlf < sep)) {
            sep = crlf;
            skip = 4;
        }
        Part part;
        const QByteArray head = sep < 0 ? chunk : chunk.left(sep);
        part.data = sep < 0 ? QByteArray() : chunk.mid(sep + skip);
        for (QByteArray line : head.split('\n')) {
            line = line.trimmed();
            if (line.isEmpty())
                continue;
            part.headerLines << line;
            const int n = line.indexOf("name=\"");
            if (line.startsWith("Content-Disposition") && n >= 0) {
                part.name = line.mid(n + 6, line.indexOf('"', n + 6) - n - 6);
                const int f = line.indexOf("filename=\"");
                if (f >= 0) {
                    part.hasFilename = true;
                    part.filename = line.mid(f + 10, line.lastIndexOf('"') - f - 10);
                }
            }
        }
        parts << part;
        pos = next + 1;
    }
    return parts;
}
