#include "net/httpservices.h"

#include "net/boundaryscan.h"
#include "net/httpexchange.h"
#include "net/multipart.h"
#include "net/multipartdevice.h"
#include "net/qreplytimeout.h"

#include <QBuffer>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <QtDebug>

#include <cstdlib>

namespace {
const QNetworkRequest::Attribute TagAttribute = QNetworkRequest::User; // 1000

QNetworkRequest buildRequest(const QString &url, const QVariant &tag)
{
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    request.setAttribute(TagAttribute, tag);
    return request;
}
} // namespace

namespace Reply {
QString decode(const QByteArray &body)
{
    if (body.isNull())
        return QString();
    const int nul = body.indexOf('\0');
    return QString::fromUtf8(nul < 0 ? body : body.left(nul));
}

QByteArray formBody(const QStringList &params)
{
    QByteArray body;
    for (int i = 0; i < params.size(); ++i) {
        if (i > 0)
            body += '&';
        body += params.at(i).toUtf8();
    }
    return body;
}
} // namespace Reply

namespace {
bool g_fleetMode = false;

// The trace lines cost a fleet more than their exchanges when formatted
// only to be dropped.
bool tracing()
{
    return QLoggingCategory::defaultCategory()->isDebugEnabled();
}
} // namespace

HttpServices::HttpServices(QObject *parent)
    : QObject(parent)
{
}

HttpServices::~HttpServices()
{
    delete m_manager;
}

void HttpServices::setFleetMode(bool on)
{
    g_fleetMode = on;
}

QNetworkAccessManager *HttpServices::freshManager()
{
    delete m_manager;
    m_manager = new QNetworkAccessManager(this);
    return m_manager;
}

void HttpServices::watchFinished(QNetworkAccessManager *manager)
{
    connect(manager, SIGNAL(finished(QNetworkReply *)), this, SLOT(replyFinished(QNetworkReply *)));
}

void HttpServices::getRequest(const QString &url, const QVariant &tag)
{
    if (g_fleetMode) {
        m_delivered = true;
        sendExchange("GET", url, QByteArray(), tag, GetTimeoutMs);
        return;
    }
    const QNetworkRequest request = buildRequest(url, tag);
    QNetworkAccessManager *manager = freshManager();
    QNetworkReply *reply = manager->get(request);
    watchFinished(manager);
    // No body to hand over: once sent, the request is as delivered as it gets.
    m_delivered = true;
    armTimeout(reply, GetTimeoutMs, QString());
}

void HttpServices::postRequest(const QString &url, const QStringList &params, const QVariant &tag, int timeoutMs)
{
    const QByteArray body = Reply::formBody(params);
    if (tracing())
        qDebug() << body;
    if (g_fleetMode) {
        m_delivered = false;
        sendExchange("POST", url, body, tag, timeoutMs);
        return;
    }
    const QNetworkRequest request = buildRequest(url, tag);
    QNetworkAccessManager *manager = freshManager();
    QNetworkReply *reply = manager->post(request, body);
    watchFinished(manager);
    armTimeout(reply, timeoutMs, QString());
    watchDelivery(reply);
    if (m_connectTimeoutMs > 0) {
        // Not delivered by then: the host is most likely not there at all.
        auto *limit = new QReplyTimeout(reply, m_connectTimeoutMs);
        connect(
            limit, &QReplyTimeout::timeout, limit,
            [this, reply] {
                if (!m_delivered)
                    timedOut(reply, QString());
            },
            Qt::DirectConnection);
    }
}

void HttpServices::sendExchange(const QByteArray &method, const QString &url, const QByteArray &body,
                                const QVariant &tag, int timeoutMs)
{
    auto *exchange = new HttpExchange(this);
    const int tagValue = tag.toInt();
    const qint64 size = body.size();
    connect(exchange, &HttpExchange::written, this, [this, size] {
        m_delivered = true;
        emit uploadProgress(size, size);
    });
    connect(exchange, &HttpExchange::finished, this, [this, exchange, tagValue](int status, const QByteArray &answer) {
        m_exchangeEnded = true;
        exchange->disconnect(this);
        reportAnswer(status, tagValue, answer);
    });
    auto arm = [this, exchange](int ms, bool onlyUndelivered) {
        auto *timer = new QTimer(exchange);
        timer->setSingleShot(true);
        // Precise: a coarse timer may fire a second and a half early on 30 s.
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, exchange, onlyUndelivered] {
            if (!m_exchangeEnded && (!onlyUndelivered || !m_delivered))
                exchangeTimedOut(exchange);
        });
        timer->start(ms);
    };
    arm(timeoutMs, false);
    // Not delivered by then: the host is most likely not there at all.
    if (m_connectTimeoutMs > 0 && method == "POST")
        arm(m_connectTimeoutMs, true);
    exchange->start(QUrl(url, QUrl::TolerantMode), method, body,
                    method == "POST" ? QByteArray("application/x-www-form-urlencoded") : QByteArray());
}

void HttpServices::exchangeTimedOut(HttpExchange *exchange)
{
    m_exchangeEnded = true;
    exchange->disconnect(this);
    // Its timers and connection go with it, so nothing more is reported.
    exchange->deleteLater();
    reportTimeout(QString());
}

void HttpServices::setConnectTimeout(int ms)
{
    m_connectTimeoutMs = ms;
}

void HttpServices::postMultipart(const QString &url, const QString &fileField, const QString &fileName,
                                 const QByteArray &content, const QMap<QString, QString> &fields, const QVariant &tag)
{
    auto *buffer = new QBuffer;
    buffer->setData(content);
    buffer->open(QIODevice::ReadOnly);
    postMultipart(url, fileField, fileName, buffer, fields, tag);
}

void HttpServices::postMultipart(const QString &url, const QString &fileField, const QString &fileName,
                                 QIODevice *content, const QMap<QString, QString> &fields, const QVariant &tag)
{
    content->setParent(this);
    auto *scan = new BoundaryScan(
        content, [] { return std::rand(); }, fields, this);
    connect(scan, &BoundaryScan::finished, this, [=](const QByteArray &boundary) {
        scan->deleteLater();
        if (boundary.isEmpty()) {
            // The file could not be read: nothing was sent.
            emit http_finished(0, tag.toInt(), QString(), QString());
            deleteLater();
            return;
        }
        sendMultipart(url, boundary, Multipart::head(boundary, fields, fileField, fileName), content, tag);
    });
    scan->start();
}

void HttpServices::sendMultipart(const QString &url, const QByteArray &boundary, const QByteArray &head,
                                 QIODevice *content, const QVariant &tag)
{
    QNetworkRequest request = buildRequest(url, tag);
    request.setRawHeader("Accept", "text/html, application/xhtml+xml, */*");
    request.setHeader(QNetworkRequest::ContentTypeHeader, Multipart::contentType(boundary));
    auto *body = new MultipartDevice(head, content, Multipart::tail(boundary), this);
    request.setHeader(QNetworkRequest::ContentLengthHeader, body->size());

    QNetworkAccessManager *manager = freshManager();
    QNetworkReply *reply = manager->post(request, body);
    watchFinished(manager);
    QReplyTimeout *watchdog = armTimeout(reply, MultipartTimeoutMs, Multipart::hostOf(url));
    // Every byte that goes out starts the wait again: a slow upload that is
    // still moving is never cut, one that stands still for the whole wait is.
    connect(reply, &QNetworkReply::uploadProgress, watchdog, [watchdog](qint64 sent, qint64) {
        if (sent > 0)
            watchdog->restart();
    });
    watchDelivery(reply);
}

void HttpServices::watchDelivery(QNetworkReply *reply)
{
    m_delivered = false;
    connect(reply, &QNetworkReply::uploadProgress, this, [this](qint64 sent, qint64 total) {
        // (0, 0) comes when a reply ends, whatever was sent.
        if (total > 0 && sent == total)
            m_delivered = true;
        emit uploadProgress(sent, total);
    });
}

QReplyTimeout *HttpServices::armTimeout(QNetworkReply *reply, int timeoutMs, const QString &jobId)
{
    auto *watchdog = new QReplyTimeout(reply, timeoutMs);
    connect(
        watchdog, &QReplyTimeout::timeout, watchdog, [this, reply, jobId] { timedOut(reply, jobId); },
        Qt::DirectConnection);
    return watchdog;
}

void HttpServices::timedOut(QNetworkReply *reply, const QString &jobId)
{
    if (m_manager)
        disconnect(m_manager, SIGNAL(finished(QNetworkReply *)), this, SLOT(replyFinished(QNetworkReply *)));
    disconnect(reply, nullptr, this, nullptr);
    reply->deleteLater();
    reportTimeout(jobId);
}

void HttpServices::reportTimeout(const QString &jobId)
{
    qDebug() << "timeout";
    emit http_finished(m_delivered ? TimeoutDelivered : TimeoutUndelivered, 1, QStringLiteral("timeout"), jobId);
    // Nothing refers to this object any more; without this every
    // unanswered printer would leave one behind for the rest of the run.
    deleteLater();
}

void HttpServices::reportAnswer(int status, int tag, const QByteArray &body)
{
    const QString text = Reply::decode(body);
    if (tracing())
        qDebug() << "*****" << status << ":" << text;
    emit http_finished(status, tag, text, m_jobId);
    deleteLater();
}

void HttpServices::replyFinished(QNetworkReply *reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const int tag = reply->request().attribute(TagAttribute).toInt();
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    reportAnswer(status, tag, body);
}
