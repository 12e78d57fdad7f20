#ifndef STATUS_H
#define STATUS_H

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

// One printer as nettoolctl status sees it, and the forms it is shown in.
// Formatting is pure: rows in, text out.
struct StatusRow
{
    QString name;
    QString address;
    bool reachable = false;
    QString version; // empty: not said
    QString target; // empty: the inventory asks for none
    qint64 pages = -1; // -1: not said
    QString whitelist; // recorded, uncertain, none (or unreadable)
    QJsonObject lastChange; // time, operation, user; empty: none logged

    // Known only with a target and a version.
    bool conformsKnown() const { return !target.isEmpty() && !version.isEmpty(); }
    bool conforms() const { return conformsKnown() && version == target; }
};

namespace StatusReport {
// Rows of cells in aligned columns, the first row the header.
QByteArray aligned(const QList<QStringList> &lines);
QByteArray table(const QList<StatusRow> &rows);
QByteArray csv(const QList<StatusRow> &rows);
// One object a line: name, address, reachable, version, target, conforms,
// pages, whitelist, last_change (null where unknown).
QByteArray json(const QList<StatusRow> &rows);
// The node exporter's textfile format.
QByteArray prometheus(const QList<StatusRow> &rows, const QDateTime &run);
// A temporary file in the same folder, then renamed over `path`: the
// exporter never reads half a file.
bool writeAtomically(const QString &path, const QByteArray &bytes, QString *why);
} // namespace StatusReport

#endif // STATUS_H
