#ifndef CIPHERRESULT_H
#define CIPHERRESULT_H

#include <QSqlRecord>
#include <QSqlResult>
#include <QVector>

struct sqlite3_stmt;
class CipherDriver;

// One statement. A SELECT's rows are read completely on exec, so the
// result can answer size() and move in any direction.
class CipherResult : public QSqlResult
{
public:
    explicit CipherResult(const CipherDriver *driver);
    ~CipherResult() override;

    // Called by the driver when the connection closes under the result.
    void finalize();

protected:
    bool reset(const QString &query) override;
    bool prepare(const QString &query) override;
    bool exec() override;
    bool fetch(int index) override;
    bool fetchFirst() override;
    bool fetchLast() override;
    QVariant data(int index) override;
    bool isNull(int index) override;
    int size() override;
    int numRowsAffected() override;
    QSqlRecord record() const override;
    QVariant lastInsertId() const override;
    QVariant handle() const override;
    void detachFromResultSet() override;

private:
    bool bindValues();
    const CipherDriver *cipherDriver() const;

    sqlite3_stmt *m_stmt = nullptr;
    QVector<QVector<QVariant>> m_rows;
    QSqlRecord m_record;
    int m_affected = 0;
    qint64 m_lastId = 0;
};

#endif // CIPHERRESULT_H
