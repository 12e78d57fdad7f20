#ifndef CIPHERDRIVER_H
#define CIPHERDRIVER_H

#include <QList>
#include <QSqlDriver>
#include <QSqlError>

struct sqlite3;
class CipherResult;

// A connection to one SQLCipher database file. The password keys the file
// before anything else touches it, and the key is checked at once, so a
// wrong password or a file that is no database fails the open itself.
class CipherDriver : public QSqlDriver
{
    Q_OBJECT

public:
    explicit CipherDriver(QObject *parent = nullptr);
    ~CipherDriver() override;

    bool hasFeature(DriverFeature feature) const override;
    bool open(const QString &db, const QString &user, const QString &password, const QString &host, int port,
              const QString &options) override;
    void close() override;
    QSqlResult *createResult() const override;
    bool beginTransaction() override;
    bool commitTransaction() override;
    bool rollbackTransaction() override;
    QStringList tables(QSql::TableType type) const override;
    QVariant handle() const override;

    sqlite3 *connection() const { return m_db; }
    void attach(CipherResult *result) const;
    void detach(CipherResult *result) const;

private:
    bool execute(const char *sql, const QString &what, QSqlError::ErrorType type);

    sqlite3 *m_db = nullptr;
    mutable QList<CipherResult *> m_results;
};

QSqlError cipherError(sqlite3 *db, const QString &what, QSqlError::ErrorType type, int code);

#endif // CIPHERDRIVER_H
