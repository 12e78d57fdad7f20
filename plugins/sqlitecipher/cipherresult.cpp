#include "cipherresult.h"

#include "cipherdriver.h"

#include <QSqlField>

#include <sqlite3.h>

CipherResult::CipherResult(const CipherDriver *driver)
    : QSqlResult(driver)
{
    driver->attach(this);
}

CipherResult::~CipherResult()
{
    if (const CipherDriver *d = cipherDriver())
        d->detach(this);
    finalize();
}

const CipherDriver *CipherResult::cipherDriver() const
{
    return static_cast<const CipherDriver *>(driver());
}

void CipherResult::finalize()
{
    if (m_stmt) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

bool CipherResult::reset(const QString &query)
{
    return prepare(query) && exec();
}

bool CipherResult::prepare(const QString &query)
{
    finalize();
    m_rows.clear();
    m_record.clear();
    setActive(false);
    setAt(QSql::BeforeFirstRow);
    const CipherDriver *d = cipherDriver();
    if (!d || !d->isOpen() || !d->connection()) {
        setLastError(QSqlError(QStringLiteral("Database not open"), QString(), QSqlError::ConnectionError));
        return false;
    }
    // Only the first statement of the text is prepared; a trailing second
    // statement is never run.
    const int rc = sqlite3_prepare16_v2(d->connection(), query.utf16(), (query.size() + 1) * int(sizeof(QChar)),
                                        &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        setLastError(
            cipherError(d->connection(), QStringLiteral("Unable to prepare statement"), QSqlError::StatementError, rc));
        finalize();
        return false;
    }
    if (!m_stmt) { // only white space or a comment
        setLastError(QSqlError(QStringLiteral("Empty statement"), QString(), QSqlError::StatementError));
        return false;
    }
    for (int i = 0; i < sqlite3_column_count(m_stmt); ++i) {
        const QString name = QString::fromUtf16(static_cast<const ushort *>(sqlite3_column_name16(m_stmt, i)));
        m_record.append(QSqlField(name, QVariant::String));
    }
    return true;
}

bool CipherResult::bindValues()
{
    const QVector<QVariant> values = boundValues();
    if (values.size() != sqlite3_bind_parameter_count(m_stmt)) {
        setLastError(QSqlError(QStringLiteral("Parameter count mismatch"), QString(), QSqlError::StatementError));
        return false;
    }
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &v = values.at(i);
        const int index = i + 1;
        int rc;
        if (v.isNull()) {
            rc = sqlite3_bind_null(m_stmt, index);
        } else {
            switch (v.userType()) {
            case QMetaType::QByteArray: {
                const QByteArray bytes = v.toByteArray();
                rc = sqlite3_bind_blob(m_stmt, index, bytes.constData(), bytes.size(), SQLITE_TRANSIENT);
                break;
            }
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Bool:
                rc = sqlite3_bind_int64(m_stmt, index, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(m_stmt, index, v.toDouble());
                break;
            default: {
                const QString text = v.toString();
                rc = sqlite3_bind_text16(m_stmt, index, text.utf16(), text.size() * int(sizeof(QChar)),
                                         SQLITE_TRANSIENT);
            }
            }
        }
        if (rc != SQLITE_OK) {
            setLastError(cipherError(cipherDriver()->connection(), QStringLiteral("Unable to bind parameters"),
                                     QSqlError::StatementError, rc));
            return false;
        }
    }
    return true;
}

bool CipherResult::exec()
{
    if (!m_stmt) {
        if (lastError().type() == QSqlError::NoError)
            setLastError(QSqlError(QStringLiteral("No statement prepared"), QString(), QSqlError::StatementError));
        return false;
    }
    sqlite3 *db = cipherDriver()->connection();
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    m_rows.clear();
    setActive(false);
    setAt(QSql::BeforeFirstRow);
    if (!bindValues())
        return false;

    const int columns = sqlite3_column_count(m_stmt);
    int rc;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
        QVector<QVariant> row(columns);
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(m_stmt, c)) {
            case SQLITE_INTEGER:
                row[c] = qint64(sqlite3_column_int64(m_stmt, c));
                break;
            case SQLITE_FLOAT:
                row[c] = sqlite3_column_double(m_stmt, c);
                break;
            case SQLITE_BLOB:
                row[c] = QByteArray(static_cast<const char *>(sqlite3_column_blob(m_stmt, c)),
                                    sqlite3_column_bytes(m_stmt, c));
                break;
            case SQLITE_NULL:
                row[c] = QVariant(QVariant::String);
                break;
            default:
                row[c] = QString::fromUtf16(static_cast<const ushort *>(sqlite3_column_text16(m_stmt, c)),
                                            sqlite3_column_bytes16(m_stmt, c) / int(sizeof(QChar)));
            }
        }
        m_rows << row;
    }
    if (rc != SQLITE_DONE) {
        setLastError(cipherError(db, QStringLiteral("Unable to fetch row"), QSqlError::StatementError, rc));
        sqlite3_reset(m_stmt);
        m_rows.clear();
        return false;
    }
    m_affected = columns > 0 ? 0 : sqlite3_changes(db);
    m_lastId = sqlite3_last_insert_rowid(db);
    sqlite3_reset(m_stmt);
    setSelect(columns > 0);
    setActive(true);
    return true;
}

bool CipherResult::fetch(int index)
{
    if (index < 0 || index >= m_rows.size())
        return false;
    setAt(index);
    return true;
}

bool CipherResult::fetchFirst()
{
    return fetch(0);
}

bool CipherResult::fetchLast()
{
    return fetch(m_rows.size() - 1);
}

QVariant CipherResult::data(int index)
{
    if (at() < 0 || at() >= m_rows.size() || index < 0 || index >= m_rows.at(at()).size())
        return QVariant();
    return m_rows.at(at()).at(index);
}

bool CipherResult::isNull(int index)
{
    return data(index).isNull();
}

int CipherResult::size()
{
    return isSelect() ? m_rows.size() : -1;
}

int CipherResult::numRowsAffected()
{
    return m_affected;
}

QSqlRecord CipherResult::record() const
{
    return m_record;
}

QVariant CipherResult::lastInsertId() const
{
    return m_lastId;
}

QVariant CipherResult::handle() const
{
    return QVariant::fromValue(static_cast<void *>(m_stmt));
}

void CipherResult::detachFromResultSet()
{
    m_rows.clear();
}
