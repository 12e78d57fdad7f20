#include "core/whitelist.h"

#include "core/endpoints.h"
#include "core/printeraddress.h"
#include "core/strategydomain.h"
#include "core/whitelistdatabase.h"
#include "core/whitelistupload.h"
#include "net/httpservices.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Whitelist {
namespace {
QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The folder exists and this process may make files in it.
bool folderReady(const QString &folder, QString *why)
{
    if (!WhiteListDatabase::makeFolder(folder) || !QFileInfo(folder).isDir()) {
        *why = QStringLiteral("cannot create the folder %1").arg(folder);
        return false;
    }
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
        *why = QStringLiteral("cannot write in the folder %1: %2").arg(folder, errnoText(errno));
        return false;
    }
    return true;
}
} // namespace

QString folderOf(const QString &printer)
{
    return WhiteListDatabase::directoryOf(WhiteListDatabase::databasePath(printer));
}

QString lockPath(const QString &printer)
{
    return folderOf(printer) + QStringLiteral("/strategy.lock");
}

QString intentPath(const QString &printer)
{
    return folderOf(printer) + QStringLiteral("/strategy.pending");
}

PrinterLock::PrinterLock(const QString &printer)
    : m_printer(printer)
    , m_path(lockPath(printer))
{
}

PrinterLock::~PrinterLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the flock
}

PrinterLock::Outcome PrinterLock::acquire(QString *why)
{
    if (m_fd >= 0)
        return Outcome::Held;
    if (!folderReady(folderOf(m_printer), why))
        return Outcome::LocalFault;
    const QByteArray native = QFile::encodeName(m_path);
    m_fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0664);
    if (m_fd < 0) {
        *why = QStringLiteral("cannot open %1: %2").arg(m_path, errnoText(errno));
        return Outcome::LocalFault;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_fd);
        m_fd = -1;
        *why = QStringLiteral("another change to this printer's whitelist is under way");
        return Outcome::Busy;
    }
    return Outcome::Held;
}

QStringList normalized(const QStringList &addresses)
{
    QStringList result;
    QSet<QString> seen;
    for (const QString &address : addresses) {
        const QString plain = PrinterAddress::parse(address).plain();
        if (!seen.contains(plain)) {
            seen.insert(plain);
            result << plain;
        }
    }
    return result;
}

Result load(const QString &printer, QStringList *addresses)
{
    WhiteListDatabase store;
    *addresses = store.selectIPs(WhiteListDatabase::databasePath(printer));
    if (addresses->contains(QStringLiteral("error"))) {
        addresses->clear();
        return Result::notSent(QStringLiteral("cannot read the stored whitelist"));
    }
    *addresses = normalized(*addresses);
    return Result::success();
}

bool sameList(const QStringList &a, const QStringList &b)
{
    return a.size() == b.size() && QSet<QString>(a.begin(), a.end()) == QSet<QString>(b.begin(), b.end());
}

Request upload(const QString &printer, const QStringList &addresses)
{
    return uploadDocument(printer, StrategyDomain::createStrategyXml(addresses));
}

Request uploadDocument(const QString &printer, const QString &xml)
{
    const QByteArray cipher = HttpServices().aesEncrypt(xml, WhitelistUpload::keyText());
    Request r;
    r.method = Request::Method::Post;
    r.url = Endpoints::url(Endpoints::ConfigStrategies, printer);
    r.params = QStringList {WhitelistUpload::parameter(cipher)};
    r.timeoutMs = Timeouts::Change;
    return r;
}

QStringList added(const QStringList &before, const QStringList &after)
{
    QStringList result;
    for (const QString &address : after)
        if (!before.contains(address))
            result << address;
    return result;
}

QStringList removed(const QStringList &before, const QStringList &after)
{
    return added(after, before);
}

bool record(const QString &printer, const QStringList &after)
{
    WhiteListDatabase store;
    return store.replaceAll(WhiteListDatabase::databasePath(printer), after);
}

bool writeIntent(const QString &printer, const Intent &intent, QString *why)
{
    if (!folderReady(folderOf(printer), why))
        return false;
    QJsonObject o;
    o.insert(QStringLiteral("before"), QJsonArray::fromStringList(intent.before));
    o.insert(QStringLiteral("after"), QJsonArray::fromStringList(intent.after));
    o.insert(QStringLiteral("user"), intent.user);
    o.insert(QStringLiteral("host"), intent.host);
    o.insert(QStringLiteral("source"), intent.source);
    o.insert(QStringLiteral("time"), intent.time.toUTC().toString(Qt::ISODateWithMs));
    const QString path = intentPath(printer);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(o).toJson()) < 0 || !file.commit()) {
        *why = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    // Another operator of the group must be able to read and repair it.
    ::chmod(QFile::encodeName(path).constData(), 0664);
    return true;
}

bool readIntent(const QString &printer, Intent *intent)
{
    QFile file(intentPath(printer));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
    auto list = [&o](const char *key) {
        QStringList l;
        for (const QJsonValue &v : o.value(QLatin1String(key)).toArray())
            l << v.toString();
        return l;
    };
    // Unreadable contents still mean a change went out unaccounted for.
    intent->before = list("before");
    intent->after = list("after");
    intent->user = o.value(QStringLiteral("user")).toString();
    intent->host = o.value(QStringLiteral("host")).toString();
    intent->source = o.value(QStringLiteral("source")).toString();
    intent->time = QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
    return true;
}

void clearIntent(const QString &printer)
{
    QFile::remove(intentPath(printer));
}

} // namespace Whitelist
