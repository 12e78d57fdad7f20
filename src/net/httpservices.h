#ifndef HTTPSERVICES_H
#define HTTPSERVICES_H

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <string>

class QNetworkAccessManager;
class QNetworkReply;

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

    QByteArray aesEncrypt(const QString &plainText, const QString &keyText);
    static std::string aesEncryptBytes(const std::string &plain, const std::string &key, int keyLength);

    static constexpr int MultipartTimeoutMs = 30000;

signals:
    void http_finished(int status_code, int user_type, QString strReply, QString StrJobID);

public slots:
    void replyFinished(QNetworkReply *reply);

private:
    QNetworkAccessManager *freshManager();
    void armTimeout(QNetworkReply *reply, int timeoutMs, const QString &jobId);

    QString m_jobId;
    QNetworkAccessManager *m_manager = nullptr;
};

namespace Reply {
// The body as text: UTF-8 up to the first NUL byte; null for a null body.
QString decode(const QByteArray &body);
// The form body: the parameters' UTF-8 bytes joined by "&", unescaped.
QByteArray formBody(const QStringList &params);
} // namespace Reply

#endif // HTTPSERVICES_H
