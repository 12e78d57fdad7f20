#ifndef QREPLYTIMEOUT_H
#define QREPLYTIMEOUT_H

#include <QObject>

class QNetworkReply;
class QTimer;

// One-shot watchdog on a running reply. It lives as the reply's child, so a
// reply that is deleted takes its pending shot with it.
class QReplyTimeout : public QObject
{
    Q_OBJECT

public:
    QReplyTimeout(QNetworkReply *reply, int timeoutMs);

    // Starts the full wait again from now: an upload that is still moving
    // is not cut.
    void restart();

signals:
    void timeout();

private slots:
    void onTimeout();

private:
    QTimer *m_timer = nullptr;
};

#endif // QREPLYTIMEOUT_H
