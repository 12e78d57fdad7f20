#ifndef AUDITLOG_H
#define AUDITLOG_H

#include "core/result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Every change made to a printer (clock, firmware, queue, network,
// whitelist), from the window or the command line, as one JSON line in a
// file all operators share. Readings are not logged.
namespace AuditLog {

QString path();

// One line: time (UTC, ISO 8601), user, printer, operation, outcome (the
// result's kind), ok, and detail when there is one.
QByteArray line(const QDateTime &time, const QString &user, const QString &printer, const QString &operation,
                const Result &outcome, const QString &detail = QString());

// Appends in one write, so that lines of concurrent writers never mix.
// Returns why it could not (empty on success): the operation has happened
// all the same, and the caller says so on stderr.
QString append(const QString &printer, const QString &operation, const Result &outcome,
               const QString &detail = QString());

} // namespace AuditLog

#endif // AUDITLOG_H
