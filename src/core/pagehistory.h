#ifndef PAGEHISTORY_H
#define PAGEHISTORY_H

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// Every page-count reading, kept in one plain SQLite file beside the
// whitelist stores, so that the pages printed in a period can be told
// later (the monthly billing report).
namespace PageHistory {

struct Reading
{
    QDateTime time;
    qint64 pages = 0;
};

QString path();

// Appends one reading; false with the reason when it cannot.
bool record(const QString &printer, qint64 pages, const QDateTime &time, QString *why);

// A printer's readings, oldest first; false with the reason when the
// history cannot be read (none yet is no error).
bool readings(const QString &printer, QList<Reading> *out, QString *why);
// Every printer that has a reading.
bool printers(QStringList *out, QString *why);

// The pages printed from `from` to `to`, from the readings that bound the
// period: the last one at or before `from` (else the first inside it) and
// the first one at or after `to` (else the last inside it). Only the rises
// between consecutive readings count, so a counter that went down (a
// replaced board) adds nothing for that step. False when fewer than two
// readings bound the period. Pure.
struct Period
{
    qint64 pages = 0;
    Reading first;
    Reading last;
};
bool pagesIn(const QList<Reading> &readings, const QDateTime &from, const QDateTime &to, Period *period);

} // namespace PageHistory

#endif // PAGEHISTORY_H
