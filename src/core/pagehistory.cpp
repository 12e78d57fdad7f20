#include "core/pagehistory.h"

#include "core/printeraddress.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sys/stat.h>

namespace PageHistory {
namespace {
// A connection of its own for each use, gone with it (as the stores do).
class Connection
{
public:
    Connection()
    {
        static quint64 next = 0;
        m_name = QStringLiteral("pages-%1").arg(++next);
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        // Several nettoolctl runs may record at once.
        m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    }
    ~Connection()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    bool open(bool create, QString *why)
    {
        const QString file = path();
        const bool existed = QFileInfo::exists(file);
        if (!existed && !create)
            return false;
        m_db.setDatabaseName(file);
        if (!m_db.open()) {
            *why = QStringLiteral("cannot open %1: %2").arg(file, m_db.lastError().text());
            return false;
        }
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS readings (printer TEXT NOT NULL, "
                                   "time INTEGER NOT NULL, pages INTEGER NOT NULL)"))
            || !q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS readings_printer ON readings (printer, time)"))) {
            *why = QStringLiteral("cannot prepare %1: %2").arg(file, q.lastError().text());
            return false;
        }
        // Every operator of the group records into the same file.
        if (!existed)
            ::chmod(QFile::encodeName(file).constData(), 0664);
        return true;
    }
    QSqlDatabase &db() { return m_db; }

private:
    QString m_name;
    QSqlDatabase m_db;
};
} // namespace

QString path()
{
    const QString override = qEnvironmentVariable("NETTOOL_PAGE_HISTORY");
    return override.isEmpty() ? QStringLiteral("/var/varnok/data/pages.sqlite") : override;
}

bool record(const QString &printer, qint64 pages, const QDateTime &time, QString *why)
{
    Connection c;
    if (!c.open(true, why))
        return false;
    QSqlQuery q(c.db());
    q.prepare(QStringLiteral("INSERT INTO readings (printer, time, pages) VALUES (?, ?, ?)"));
    q.addBindValue(PrinterAddress::parse(printer).plain());
    q.addBindValue(time.toMSecsSinceEpoch());
    q.addBindValue(pages);
    if (!q.exec()) {
        *why = QStringLiteral("cannot record in %1: %2").arg(path(), q.lastError().text());
        return false;
    }
    return true;
}

bool readings(const QString &printer, QList<Reading> *out, QString *why)
{
    out->clear();
    Connection c;
    if (!c.open(false, why))
        return why->isEmpty();
    QSqlQuery q(c.db());
    q.prepare(QStringLiteral("SELECT time, pages FROM readings WHERE printer = ? ORDER BY time"));
    q.addBindValue(PrinterAddress::parse(printer).plain());
    if (!q.exec()) {
        *why = QStringLiteral("cannot read %1: %2").arg(path(), q.lastError().text());
        return false;
    }
    while (q.next())
        out->append({QDateTime::fromMSecsSinceEpoch(q.value(0).toLongLong(), Qt::UTC), q.value(1).toLongLong()});
    return true;
}

bool printers(QStringList *out, QString *why)
{
    out->clear();
    Connection c;
    if (!c.open(false, why))
        return why->isEmpty();
    QSqlQuery q(c.db());
    if (!q.exec(QStringLiteral("SELECT DISTINCT printer FROM readings"))) {
        *why = QStringLiteral("cannot read %1: %2").arg(path(), q.lastError().text());
        return false;
    }
    while (q.next())
        *out << q.value(0).toString();
    return true;
}

bool pagesIn(const QList<Reading> &readings, const QDateTime &from, const QDateTime &to, Period *period)
{
    int lastBefore = -1, firstInside = -1, lastInside = -1, firstAfter = -1;
    for (int i = 0; i < readings.size(); ++i) {
        const QDateTime &t = readings.at(i).time;
        if (t <= from)
            lastBefore = i;
        if (t > from && t < to) {
            if (firstInside < 0)
                firstInside = i;
            lastInside = i;
        }
        if (t >= to && firstAfter < 0)
            firstAfter = i;
    }
    const int first = lastBefore >= 0 ? lastBefore : firstInside;
    const int last = firstAfter >= 0 ? firstAfter : lastInside;
    if (first < 0 || last < 0 || last <= first)
        return false;
    qint64 pages = 0;
    for (int i = first + 1; i <= last; ++i)
        pages += qMax<qint64>(0, readings.at(i).pages - readings.at(i - 1).pages);
    *period = {pages, readings.at(first), readings.at(last)};
    return true;
}

} // namespace PageHistory
