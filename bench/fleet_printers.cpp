// Printers that answer every request with 200 and an empty body, on many
// loopback addresses: fleet_printers PREFIX FIRST LAST [DELAY_MS]
// (127.0.99. 1 200 listens on 127.0.99.1 to 127.0.99.200, port 9100). With
// DELAY_MS each answer waits that long, as an embedded web server's does.
// Prints "ready" once every address listens; ends on SIGTERM.
#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>

namespace {
int g_delayMs = 0;

void serve(QTcpSocket *socket)
{
    auto *buffer = new QByteArray;
    QObject::connect(socket, &QTcpSocket::disconnected, socket, [socket, buffer] {
        delete buffer;
        socket->deleteLater();
    });
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, buffer] {
        *buffer += socket->readAll();
        const int end = buffer->indexOf("\r\n\r\n");
        if (end < 0)
            return;
        qint64 length = 0;
        for (const QByteArray &line : buffer->left(end).split('\n'))
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        if (buffer->size() < end + 4 + length)
            return;
        buffer->clear();
        auto answer = [socket] {
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
        };
        if (g_delayMs > 0)
            QTimer::singleShot(g_delayMs, socket, answer);
        else
            answer();
    });
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4 && argc != 5)
        return 2;
    g_delayMs = argc == 5 ? QByteArray(argv[4]).toInt() : 0;
    const QString prefix = QString::fromLatin1(argv[1]);
    const int first = QByteArray(argv[2]).toInt();
    const int last = QByteArray(argv[3]).toInt();
    for (int host = first; host <= last; ++host) {
        auto *server = new QTcpServer(&app);
        if (!server->listen(QHostAddress(prefix + QString::number(host)), 9100)) {
            std::fprintf(stderr, "%s%d: %s\n", argv[1], host, qPrintable(server->errorString()));
            return 1;
        }
        QObject::connect(server, &QTcpServer::newConnection, server, [server] {
            while (QTcpSocket *socket = server->nextPendingConnection())
                serve(socket);
        });
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
