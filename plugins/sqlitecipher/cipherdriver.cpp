#include "cipherdriver.h"

#include "cipherresult.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <sqlite3.h>

QSqlError cipherError(sqlite3 *db, const QString &what, QSqlError::ErrorType type, int code)
{
    const QString detail = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(code));
    return QSqlError(what, detail, type, QString::number(code));
}

CipherDriver::CipherDriver(QObject *parent)
    : QSqlDriver(parent)
{
}

CipherDriver::~CipherDriver()
{
    close();
}

bool CipherDriver::hasFeature(DriverFeature feature) const
{
    switch (feature) {
    case Transactions:
    case QuerySize:
    case BLOB:
    case Unicode:
    case PreparedQueries:
    case PositionalPlaceholders:
    case LastInsertId:
    case FinishQuery:
        return true;
    case LowPrecisionNumbers: // numbers come back as stored, whatever the policy
    case NamedPlaceholders:
    case SimpleLocking:
    case BatchOperations:
    case EventNotifications:
    case MultipleResultSets:
    case CancelQuery:
        return false;
    }
    return false;
}

bool CipherDriver::execute(const char *sql, const QString &what, QSqlError::ErrorType type)
{
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        return true;
    setLastError(cipherError(m_db, what, type, rc));
    return false;
}

bool CipherDriver::open(const QString &db, const QString &, const QString &password, const QString &, int,
                        const QString &)
{
    if (isOpen())
        close();
    const QByteArray path = db.toUtf8();
    const int rc = sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        setLastError(cipherError(m_db, tr("Error opening database"), QSqlError::ConnectionError, rc));
        sqlite3_close(m_db);
        m_db = nullptr;
        setOpenError(true);
        return false;
    }
    sqlite3_busy_timeout(m_db, 5000);
    if (!password.isEmpty()) {
        const QByteArray key = password.toUtf8();
        const int keyed = sqlite3_key(m_db, key.constData(), key.size());
        if (keyed != SQLITE_OK) {
            setLastError(cipherError(m_db, tr("Error setting the key"), QSqlError::ConnectionError, keyed));
            sqlite3_close(m_db);
            m_db = nullptr;
            setOpenError(true);
            return false;
        }
    }
    // The key is only tried when a page is read: read one now, so a wrong
    // password or a foreign file fails here and not in some later statement.
    if (!execute("SELECT count(*) FROM sqlite_master", tr("Wrong password or not a database"),
                 QSqlError::ConnectionError)) {
        sqlite3_close(m_db);
        m_db = nullptr;
        setOpenError(true);
        return false;
    }
    setOpen(true);
    setOpenError(false);
    return true;
}

void CipherDriver::close()
{
    if (!m_db)
        return;
    for (CipherResult *result : qAsConst(m_results))
        result->finalize();
    sqlite3_close(m_db);
    m_db = nullptr;
    setOpen(false);
    setOpenError(false);
}

QSqlResult *CipherDriver::createResult() const
{
    return new CipherResult(this);
}

void CipherDriver::attach(CipherResult *result) const
{
    m_results << result;
}

void CipherDriver::detach(CipherResult *result) const
{
    m_results.removeAll(result);
}

bool CipherDriver::beginTransaction()
{
    return isOpen() && execute("BEGIN", tr("Unable to begin transaction"), QSqlError::TransactionError);
}

bool CipherDriver::commitTransaction()
{
    return isOpen() && execute("COMMIT", tr("Unable to commit transaction"), QSqlError::TransactionError);
}

bool CipherDriver::rollbackTransaction()
{
    return isOpen() && execute("ROLLBACK", tr("Unable to roll back transaction"), QSqlError::TransactionError);
}

QStringList CipherDriver::tables(QSql::TableType type) const
{
    QStringList names;
    if (!isOpen() || !(type & QSql::Tables))
        return names;
    QSqlQuery query(createResult());
    query.setForwardOnly(true);
    if (query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'")))
        while (query.next())
            names << query.value(0).toString();
    return names;
}

QVariant CipherDriver::handle() const
{
    return QVariant::fromValue(static_cast<void *>(m_db));
}
