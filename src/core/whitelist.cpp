#include "core/whitelist.h"

#include "net/httpservices.h"
#include "ops/endpoints.h"
#include "whitelist/strategydomain.h"
#include "whitelist/upload.h"
#include "whitelist/whitelistdatabase.h"

#include <QFile>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace Whitelist {

QString lockPath(const QString &printer)
{
    return WhiteListDatabase::directoryOf(WhiteListDatabase::databasePath(printer)) + QStringLiteral("/strategy.lock");
}

PrinterLock::PrinterLock(const QString &printer)
    : m_folder(WhiteListDatabase::directoryOf(WhiteListDatabase::databasePath(printer)))
    , m_path(lockPath(printer))
{
}

PrinterLock::~PrinterLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the flock
}

bool PrinterLock::acquire(QString *why)
{
    if (m_fd >= 0)
        return true;
    WhiteListDatabase::makeFolder(m_folder);
    const QByteArray native = QFile::encodeName(m_path);
    m_fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0664);
    if (m_fd < 0) {
        *why = QStringLiteral("cannot open %1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_fd);
        m_fd = -1;
        *why = QStringLiteral("another change to this printer's whitelist is under way");
        return false;
    }
    return true;
}

Result load(const QString &printer, QStringList *addresses)
{
    WhiteListDatabase store;
    *addresses = store.selectIPs(WhiteListDatabase::databasePath(printer));
    if (addresses->contains(QStringLiteral("error"))) {
        addresses->clear();
        return Result::notSent(QStringLiteral("cannot read the stored whitelist"));
    }
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

bool record(const QString &printer, const QStringList &before, const QStringList &after)
{
    const QString path = WhiteListDatabase::databasePath(printer);
    bool recorded = true;
    const QStringList gone = removed(before, after);
    if (!gone.isEmpty()) {
        WhiteListDatabase store;
        recorded = !store.deleteIPs(path, WhitelistUpload::quotedList(gone)).contains(QStringLiteral("error"));
    }
    for (const QString &address : added(before, after)) {
        WhiteListDatabase store;
        recorded = store.insertIP(path, address) && recorded;
    }
    return recorded;
}

} // namespace Whitelist
