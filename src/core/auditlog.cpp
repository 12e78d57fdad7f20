#include "core/auditlog.h"

#include "ops/endpoints.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace AuditLog {
namespace {
QString currentUser()
{
    if (const passwd *entry = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(::getuid());
}
} // namespace

QString path()
{
    // The test suite points this into its build tree: its changes to
    // throwaway printers are no part of any site's history.
    const QString override = qEnvironmentVariable("NETTOOL_AUDIT_LOG");
    return override.isEmpty() ? QStringLiteral("/var/varnok/log/changes.jsonl") : override;
}

QByteArray line(const QDateTime &time, const QString &user, const QString &printer, const QString &operation,
                const Result &outcome, const QString &detail)
{
    QJsonObject entry;
    entry.insert(QStringLiteral("time"), time.toUTC().toString(Qt::ISODateWithMs));
    entry.insert(QStringLiteral("user"), user);
    entry.insert(QStringLiteral("printer"), AddressPatterns::plain(printer));
    entry.insert(QStringLiteral("operation"), operation);
    entry.insert(QStringLiteral("outcome"), outcome.kindName());
    entry.insert(QStringLiteral("ok"), outcome.ok());
    if (outcome.status != 0)
        entry.insert(QStringLiteral("status"), outcome.status);
    const QString text = detail.isEmpty() ? outcome.describe() : detail;
    if (!text.isEmpty())
        entry.insert(QStringLiteral("detail"), text);
    return QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n';
}

QString append(const QString &printer, const QString &operation, const Result &outcome, const QString &detail)
{
    const QByteArray entry = line(QDateTime::currentDateTimeUtc(), currentUser(), printer, operation, outcome, detail);
    const QByteArray file = QFile::encodeName(path());
    const int fd = ::open(file.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0664);
    if (fd < 0)
        return QStringLiteral("cannot open %1: %2").arg(path(), QString::fromLocal8Bit(std::strerror(errno)));
    const ssize_t written = ::write(fd, entry.constData(), size_t(entry.size()));
    const int error = errno;
    ::close(fd);
    if (written != entry.size())
        return QStringLiteral("cannot write %1: %2").arg(path(), QString::fromLocal8Bit(std::strerror(error)));
    return QString();
}

} // namespace AuditLog
