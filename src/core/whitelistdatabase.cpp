#include "core/whitelistdatabase.h"

#include "core/endpoints.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QtDebug>

#include <sys/stat.h>

namespace {
// chmod keeps what it is given: the set-group-ID bit a folder inherited
// from /var/varnok/data must stay, or its files lose the operators' group.
void addGroupAccess(const QString &path, mode_t bits)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    if (::stat(native.constData(), &st) == 0)
        ::chmod(native.constData(), (st.st_mode & 07777) | bits);
}

const QString Password = QStringLiteral("pelrok");
const QString ErrorMarker = QStringLiteral("error");
// Far below any host-parameter limit of the library.
const int DeleteChunk = 500;
} // namespace

WhiteListDatabase::WhiteListDatabase()
{
    // A connection of its own, gone with the object: with Qt's default
    // connection a second store alive at the same time (many printers at
    // once) would replace the first one's connection under it.
    static quint64 next = 0;
    m_connection = QStringLiteral("whitelist-%1").arg(++next);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("SQLITECIPHER"), m_connection);
    m_db.setPassword(Password);
    qDebug() << QSqlDatabase::drivers();
}

WhiteListDatabase::~WhiteListDatabase()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

bool WhiteListDatabase::makeFolder(const QString &folder)
{
    if (QFileInfo::exists(folder))
        return true;
    if (!QDir().mkpath(folder))
        return false;
    addGroupAccess(folder, S_IRWXG);
    return true;
}

QString WhiteListDatabase::databasePath(const QString &printerAddress)
{
    // One printer, one store, however its address was typed.
    return QStringLiteral("/var/varnok/data/") + AddressPatterns::plain(printerAddress)
        + QStringLiteral("/strategy.dll");
}

QString WhiteListDatabase::directoryOf(const QString &path)
{
    return path.section(QLatin1Char('/'), 0, 4);
}

bool WhiteListDatabase::parseQuotedList(const QString &ipList, QStringList *addresses)
{
    addresses->clear();
    if (ipList.isEmpty())
        return true;
    static const QRegularExpression shape(QStringLiteral("\\A'[^']*'(,'[^']*')*\\z"));
    if (!shape.match(ipList).hasMatch())
        return false;
    for (const QString &item : ipList.split(QLatin1Char(',')))
        *addresses << item.mid(1, item.size() - 2);
    return true;
}

// Only for a file this call found missing: an empty file left behind would
// make every later load fail and every accepted change go unrecorded.
void WhiteListDatabase::removeFailedCreation(const QString &path)
{
    if (QFileInfo::exists(path) && !QFile::remove(path))
        qDebug() << "Error: could not remove the unfinished store" << path;
}

bool WhiteListDatabase::openExisting(const QString &path)
{
    m_db.setDatabaseName(path);
    if (!m_db.open()) {
        qDebug() << "Error: Failed to connect database." << m_db.lastError();
        return false;
    }
    qDebug() << "Succeed to connect database.";
    return true;
}

QStringList WhiteListDatabase::readAll()
{
    QStringList result;
    QSqlQuery query(m_db);
    if (query.exec(QStringLiteral("SELECT * FROM [Strategy]"))) {
        while (query.next())
            result << query.value(0).toString();
    } else {
        qDebug() << query.lastError();
        result << ErrorMarker;
    }
    return result;
}

bool WhiteListDatabase::openOrCreate(const QString &path)
{
    if (QFileInfo::exists(path)) {
        if (openExisting(path))
            return true;
        m_db.close();
        return false;
    }
    makeFolder(directoryOf(path));
    m_db.setDatabaseName(path);
    if (!m_db.open()) {
        qDebug() << "Error: Failed to connect database." << m_db.lastError();
        removeFailedCreation(path);
        return false;
    }
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("create table Strategy(IP TEXT NOT NULL UNIQUE)"))) {
        qDebug() << "Error: Failed to create table." << query.lastError();
        query.finish();
        m_db.close();
        removeFailedCreation(path);
        return false;
    }
    // The library makes its files 0644 whatever the umask: another
    // operator of the group must be able to change this list too (the
    // folder, too, whatever the umask of the process that made it).
    addGroupAccess(path, S_IRGRP | S_IWGRP);
    return true;
}

bool WhiteListDatabase::insertIP(const QString &path, const QString &ip)
{
    if (!openOrCreate(path))
        return false;
    bool inserted;
    {
        QSqlQuery query(m_db);
        // Bound, never pasted into the statement: an address is data.
        query.prepare(QStringLiteral("INSERT INTO [Strategy] ([IP]) VALUES(?)"));
        query.addBindValue(ip);
        inserted = query.exec();
        if (!inserted)
            qDebug() << query.lastError();
    }
    m_db.close();
    return inserted;
}

bool WhiteListDatabase::replaceAll(const QString &path, const QStringList &ips)
{
    if (!openOrCreate(path))
        return false;
    bool done = m_db.transaction();
    {
        QSqlQuery query(m_db);
        if (done && !(done = query.exec(QStringLiteral("DELETE FROM [Strategy]"))))
            qDebug() << query.lastError();
        if (done)
            query.prepare(QStringLiteral("INSERT INTO [Strategy] ([IP]) VALUES(?)"));
        for (int i = 0; done && i < ips.size(); ++i) {
            query.addBindValue(ips.at(i));
            if (!(done = query.exec()))
                qDebug() << query.lastError();
        }
        query.finish();
    }
    if (done && !m_db.commit()) {
        qDebug() << "Error: Failed to commit." << m_db.lastError();
        done = false;
    }
    if (!done)
        m_db.rollback();
    m_db.close();
    return done;
}

QStringList WhiteListDatabase::deleteIPs(const QString &path, const QString &ipList)
{
    if (!QFileInfo::exists(path))
        return QStringList();
    QStringList addresses;
    if (!parseQuotedList(ipList, &addresses)) {
        qDebug() << "Error: not a list of quoted addresses:" << ipList;
        return QStringList {ErrorMarker};
    }
    if (!openExisting(path))
        return QStringList {ErrorMarker};

    bool deleted = true;
    {
        QSqlQuery query(m_db);
        m_db.transaction();
        for (int from = 0; deleted && from < addresses.size(); from += DeleteChunk) {
            const QStringList chunk = addresses.mid(from, DeleteChunk);
            QStringList marks;
            for (int i = 0; i < chunk.size(); ++i)
                marks << QStringLiteral("?");
            query.prepare(QStringLiteral("DELETE FROM [Strategy] WHERE [IP] in (%1)").arg(marks.join(',')));
            for (const QString &address : chunk)
                query.addBindValue(address);
            deleted = query.exec();
            if (!deleted)
                qDebug() << query.lastError();
        }
        // A COMMIT that fails (a full disk, say) deleted nothing.
        if (deleted && !m_db.commit()) {
            qDebug() << "Error: Failed to commit." << m_db.lastError();
            deleted = false;
        }
        if (!deleted)
            m_db.rollback();
    }
    if (!deleted) {
        m_db.close();
        return QStringList {ErrorMarker};
    }
    const QStringList left = readAll();
    m_db.close();
    return left;
}

QStringList WhiteListDatabase::selectIPs(const QString &path)
{
    if (!QFileInfo::exists(path))
        return QStringList();
    if (!openExisting(path))
        return QStringList {ErrorMarker};
    const QStringList all = readAll();
    m_db.close();
    return all;
}
