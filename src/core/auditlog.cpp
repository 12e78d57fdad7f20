#include "core/auditlog.h"

#include "core/printeraddress.h"

#include <QFile>
#include <QJsonDocument>
#include <QSet>
#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace AuditLog {
namespace {
QString userName(uid_t uid)
{
    if (const passwd *entry = ::getpwuid(uid))
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(uid);
}

QString &source()
{
    static QString name;
    return name;
}
} // namespace

QString path()
{
    // The test suite points this into its build tree: its changes to
    // throwaway printers are no part of any site's history.
    const QString override = qEnvironmentVariable("NETTOOL_AUDIT_LOG");
    return override.isEmpty() ? QStringLiteral("/var/varnok/log/changes.jsonl") : override;
}

void setSource(const QString &name)
{
    source() = name;
}

Origin origin()
{
    // Who and where do not change during a run; asked once, not for every
    // line of a fleet (each answer costs a read of the user database).
    static const Origin identity = [] {
        Origin o;
        o.effectiveUser = userName(::geteuid());
        // "root" says nothing of who ran sudo.
        const QString invoking = qEnvironmentVariable("SUDO_USER");
        o.user = invoking.isEmpty() ? userName(::getuid()) : invoking;
        o.host = QSysInfo::machineHostName();
        return o;
    }();
    Origin o = identity;
    o.source = source();
    return o;
}

QByteArray line(const QDateTime &time, const Origin &origin, const QString &printer, const QString &operation,
                const Result &outcome, const QJsonObject &extra)
{
    QJsonObject entry;
    entry.insert(QStringLiteral("time"), time.toUTC().toString(Qt::ISODateWithMs));
    entry.insert(QStringLiteral("host"), origin.host);
    entry.insert(QStringLiteral("source"), origin.source);
    entry.insert(QStringLiteral("user"), origin.user);
    entry.insert(QStringLiteral("effective_user"), origin.effectiveUser);
    entry.insert(QStringLiteral("printer"), PrinterAddress::parse(printer).plain());
    entry.insert(QStringLiteral("operation"), operation);
    entry.insert(QStringLiteral("outcome"), outcome.kindName());
    entry.insert(QStringLiteral("ok"), outcome.ok());
    if (outcome.status != 0)
        entry.insert(QStringLiteral("status"), outcome.status);
    const QString text = outcome.describe();
    if (!text.isEmpty())
        entry.insert(QStringLiteral("detail"), text);
    for (auto it = extra.begin(); it != extra.end(); ++it)
        entry.insert(it.key(), it.value());
    return QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n';
}

QString append(const QString &printer, const QString &operation, const Result &outcome, const QJsonObject &extra)
{
    const QByteArray entry = line(QDateTime::currentDateTimeUtc(), origin(), printer, operation, outcome, extra);
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

bool read(const QString &file, const QStringList &printers, const QDateTime &since, QList<QJsonObject> *entries,
          QString *why)
{
    entries->clear();
    QFile log(file);
    if (!log.exists())
        return true; // nothing changed yet
    if (!log.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("cannot read %1: %2").arg(file, log.errorString());
        return false;
    }
    const QSet<QString> wanted(printers.begin(), printers.end());
    QList<QPair<QDateTime, QJsonObject>> kept;
    while (!log.atEnd()) {
        const QJsonObject o = QJsonDocument::fromJson(log.readLine()).object();
        if (o.isEmpty())
            continue;
        if (!wanted.isEmpty() && !wanted.contains(o.value(QStringLiteral("printer")).toString()))
            continue;
        const QDateTime time = QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
        if (since.isValid() && (!time.isValid() || time < since))
            continue;
        kept.append({time, o});
    }
    // Appends from several machines' clocks: newest last by the stamp.
    std::stable_sort(kept.begin(), kept.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &k : kept)
        entries->append(k.second);
    return true;
}

} // namespace AuditLog
