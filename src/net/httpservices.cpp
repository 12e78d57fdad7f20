#include "net/httpservices.h"

#include "net/multipart.h"
#include "net/qreplytimeout.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
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

HttpServices::HttpServices(QObject *parent)
    : QObject(parent)
{
}

HttpServices::~HttpServices()
{
    delete m_manager;
}

QNetworkAccessManager *HttpServices::freshManager()
{
    delete m_manager;
    m_manager = new QNetworkAccessManager(this);
    return m_manager;
}

void HttpServices::getRequest(const QString &url, const QVariant &tag)
{
    const QNetworkRequest request = buildRequest(url, tag);
    QNetworkAccessManager *manager = freshManager();
    manager->get(request);
    connect(manager, SIGNAL(finished(QNetworkReply *)), this, SLOT(replyFinished(QNetworkReply *)));
}

void HttpServices::postRequest(const QString &url, const QStringList &params, const QVariant &tag, int timeoutMs)
{
    const QNetworkRequest request = buildRequest(url, tag);
    const QByteArray body = Reply::formBody(params);
    qDebug() << body;
    QNetworkAccessManager *manager = freshManager();
    QNetworkReply *reply = manager->post(request, body);
    connect(manager, SIGNAL(finished(QNetworkReply *)), this, SLOT(replyFinished(QNetworkReply *)));
    armTimeout(reply, timeoutMs, QString());
}

void HttpServices::postMultipart(const QString &url, const QString &fileField, const QString &fileName,
                                 const QByteArray &content, const QMap<QString, QString> &fields, const QVariant &tag)
{
    QNetworkRequest request = buildRequest(url, tag);
    request.setRawHeader("Accept", "text/html, application/xhtml+xml, */*");
    const QByteArray boundary = Multipart::chooseBoundary([] { return std::rand(); }, fields, content);
    request.setHeader(QNetworkRequest::ContentTypeHeader, Multipart::contentType(boundary));

    QNetworkAccessManager *manager = freshManager();
    QNetworkReply *reply = manager->post(request, Multipart::buildBody(boundary, fields, fileField, fileName, content));
    connect(manager, SIGNAL(finished(QNetworkReply *)), this, SLOT(replyFinished(QNetworkReply *)));
    armTimeout(reply, MultipartTimeoutMs, Multipart::hostOf(url));
}

void HttpServices::armTimeout(QNetworkReply *reply, int timeoutMs, const QString &jobId)
{
    auto *watchdog = new QReplyTimeout(reply, timeoutMs);
    connect(
        watchdog, &QReplyTimeout::timeout, watchdog,
        [this, reply, jobId] {
            qDebug() << "timeout";
            disconnect(m_manager, SIGNAL(finished(QNetworkReply *)), this, SLOT(replyFinished(QNetworkReply *)));
            reply->deleteLater();
            emit http_finished(404, 1, QStringLiteral("timeout"), jobId);
            // Nothing refers to this object any more; without this every
            // unanswered printer would leave one behind for the rest of the run.
            deleteLater();
        },
        Qt::DirectConnection);
}

void HttpServices::replyFinished(QNetworkReply *reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const int tag = reply->request().attribute(TagAttribute).toInt();
    const QString text = Reply::decode(reply->readAll());
    qDebug() << "*****" << status << ":" << text;
    reply->deleteLater();
    emit http_finished(status, tag, text, m_jobId);
    deleteLater();
}
