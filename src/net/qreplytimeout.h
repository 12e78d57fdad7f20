#ifndef QREPLYTIMEOUT_H
#define QREPLYTIMEOUT_H

#include <QObject>

class QNetworkReply;

// One-shot watchdog on a running reply. It lives as the reply's child, so a
// reply that is deleted takes its pending shot with it.
class QReplyTimeout : public QObject
{
    Q_OBJECT

public:
    QReplyTimeout(QNetworkReply *reply, int timeoutMs);

signals:
    void timeout();

private slots:
    void onTimeout();
};

#endif // QREPLYTIMEOUT_H
