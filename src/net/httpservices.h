#ifndef HTTPSERVICES_H
#define HTTPSERVICES_H

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "net/timeouts.h"
#include <string>

class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;
class QReplyTimeout;
class HttpExchange;

// One request to the printer. The object is created per request, reports
// its end through exactly one http_finished and then releases itself.
class HttpServices : public QObject
{
    Q_OBJECT

public:
    explicit HttpServices(QObject *parent = nullptr);
    ~HttpServices() override;

    void getRequest(const QString &url, const QVariant &tag);
    void postRequest(const QString &url, const QStringList &params, const QVariant &tag, int timeoutMs);
    void postMultipart(const QString &url, const QString &fileField, const QString &fileName, const QByteArray &content,
                       const QMap<QString, QString> &fields, const QVariant &tag);
    // The same body, read from `content` (open, random access) while it is
    // sent; the request object takes the device.
    void postMultipart(const QString &url, const QString &fileField, const QString &fileName, QIODevice *content,
                       const QMap<QString, QString> &fields, const QVariant &tag);

    // For callers that run many requests at once (the command line's fleet
    // runner): from now on form requests and GETs go over a lean exchange of
    // their own in this thread instead of a manager each. Uploads, one at a
    // time, keep theirs.
    static void setFleetMode(bool on);

    // For a form POST sent after this: give up (as undelivered) when the
    // request has not gone out within `ms`, such as a host that is not there.
    void setConnectTimeout(int ms);

    QByteArray aesEncrypt(const QString &plainText, const QString &keyText);
    static std::string aesEncryptBytes(const std::string &plain, const std::string &key, int keyLength);

    // An upload waits this long for each further byte to go out, and for
    // the answer once the last one has.
    static constexpr int MultipartTimeoutMs = Timeouts::Change;
    // A GET that is never answered must not leave its page waiting forever.
    static constexpr int GetTimeoutMs = Timeouts::Change;

    // The status of the time-out record: 404 once the whole request was
    // handed to the connection, 0 when it never was (nothing reached the
    // printer, so nothing may be taken as done).
    static constexpr int TimeoutDelivered = 404;
    static constexpr int TimeoutUndelivered = 0;

signals:
    void http_finished(int status_code, int user_type, QString strReply, QString StrJobID);
    void uploadProgress(qint64 bytesSent, qint64 bytesTotal);

public slots:
    void replyFinished(QNetworkReply *reply);

private:
    QNetworkAccessManager *freshManager();
    void watchFinished(QNetworkAccessManager *manager);
    QReplyTimeout *armTimeout(QNetworkReply *reply, int timeoutMs, const QString &jobId);
    void watchDelivery(QNetworkReply *reply);
    void timedOut(QNetworkReply *reply, const QString &jobId);
    void sendExchange(const QByteArray &method, const QString &url, const QByteArray &body, const QVariant &tag,
                      int timeoutMs);
    void exchangeTimedOut(HttpExchange *exchange);
    // The one record of a request, then this object goes.
    void reportTimeout(const QString &jobId);
    void reportAnswer(int status, int tag, const QByteArray &body);
    void sendMultipart(const QString &url, const QByteArray &boundary, const QByteArray &head, QIODevice *content,
                       const QVariant &tag);

    QString m_jobId;
    bool m_delivered = false;
    bool m_exchangeEnded = false; // its one record is out
    int m_connectTimeoutMs = 0;
    QNetworkAccessManager *m_manager = nullptr;
};

namespace Reply {
// The body as text: UTF-8 up to the first NUL byte; null for a null body.
QString decode(const QByteArray &body);
// The form body: the parameters' UTF-8 bytes joined by "&", unescaped.
QByteArray formBody(const QStringList &params);
} // namespace Reply

#endif // HTTPSERVICES_H
