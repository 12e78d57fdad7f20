#ifndef AUDITLOG_H
#define AUDITLOG_H

#include "core/result.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// Every change made to a printer (clock, firmware, queue, network,
// whitelist), from the window or the command line, as one JSON line in a
// file all operators share. Readings are not logged.
namespace AuditLog {

QString path();

// Who makes the changes of this process, and from where.
struct Origin
{
    QString user; // the person: under sudo, who ran sudo
    QString effectiveUser; // the account the process runs as
    QString host;
    QString source; // "window" or "nettoolctl"
};
// This process's origin; the front end names itself once at start.
Origin origin();
void setSource(const QString &source);

// One line: time (UTC, ISO 8601), who and from where, printer, operation,
// outcome (the result's kind), ok, status when the printer answered, a
// detail when there is one, and the operation's own fields (`extra`).
QByteArray line(const QDateTime &time, const Origin &origin, const QString &printer, const QString &operation,
                const Result &outcome, const QJsonObject &extra = QJsonObject());

// Appends in one write, so that lines of concurrent writers never mix.
// Returns why it could not (empty on success): the operation has happened
// all the same, and the caller says so.
QString append(const QString &printer, const QString &operation, const Result &outcome,
               const QJsonObject &extra = QJsonObject());

// The lines of the log at `file` about `printers` (plain addresses; all when
// empty) since `since` (all when invalid), oldest first. Lines that are not
// JSON objects are skipped. False with the reason when it cannot be read.
bool read(const QString &file, const QStringList &printers, const QDateTime &since, QList<QJsonObject> *entries,
          QString *why);

} // namespace AuditLog

#endif // AUDITLOG_H
