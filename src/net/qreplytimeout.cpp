#include "net/qreplytimeout.h"

#include <QNetworkReply>
#include <QTimer>

QReplyTimeout::QReplyTimeout(QNetworkReply *reply, int timeoutMs)
    : QObject(reply)
{
    if (!reply || !reply->isRunning())
        return;
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    // Precise: a coarse timer may fire a second and a half early on 30 s.
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(timeoutMs);
    connect(m_timer, SIGNAL(timeout()), this, SLOT(onTimeout()));
    m_timer->start();
}

void QReplyTimeout::restart()
{
    if (m_timer)
        m_timer->start();
}

void QReplyTimeout::onTimeout()
{
    auto *reply = static_cast<QNetworkReply *>(parent());
    if (reply->isRunning())
        emit timeout();
}
