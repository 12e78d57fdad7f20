#include "net/qreplytimeout.h"

#include <QNetworkReply>
#include <QTimer>

QReplyTimeout::QReplyTimeout(QNetworkReply *reply, int timeoutMs)
    : QObject(reply)
{
    if (reply && reply->isRunning())
        // Precise: a coarse timer may fire a second and a half early on 30 s.
        QTimer::singleShot(timeoutMs, Qt::PreciseTimer, this, SLOT(onTimeout()));
}

void QReplyTimeout::onTimeout()
{
    auto *reply = static_cast<QNetworkReply *>(parent());
    if (reply->isRunning())
        emit timeout();
}
