#ifndef INSTANCECHANNEL_H
#define INSTANCECHANNEL_H

#include <QObject>
#include <QString>

class QLocalServer;

// How a second start reaches the running instance: a local socket, one name
// per user and machine. The running instance listens; the refused one asks
// it to bring its window to the front, so that starting the tool again is
// never met with nothing.
class InstanceChannel : public QObject
{
    Q_OBJECT

public:
    explicit InstanceChannel(QObject *parent = nullptr);

    // This user's channel name.
    static QString name();

    // Only the lock holder listens, so a socket file left by a crashed
    // instance may be taken over.
    bool listen(const QString &name);

    // From the refused start: true when a running instance took the request.
    static bool askToRaise(const QString &name, int timeoutMs);

signals:
    void raiseRequested();

private:
    void onConnection();

    QLocalServer *m_server = nullptr;
};

#endif // INSTANCECHANNEL_H
