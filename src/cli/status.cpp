#include "cli/status.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStringList>

namespace StatusReport {
namespace {
QString lastChangeText(const StatusRow &r)
{
    if (r.lastChange.isEmpty())
        return QString();
    return QStringLiteral("%1 %2 by %3")
        .arg(r.lastChange.value(QStringLiteral("time")).toString(),
             r.lastChange.value(QStringLiteral("operation")).toString(),
             r.lastChange.value(QStringLiteral("user")).toString());
}

QStringList cells(const StatusRow &r)
{
    return {r.name,
            r.address,
            r.reachable ? QStringLiteral("yes") : QStringLiteral("no"),
            r.version,
            r.target,
            r.conformsKnown() ? (r.conforms() ? QStringLiteral("yes") : QStringLiteral("no")) : QString(),
            r.pages >= 0 ? QString::number(r.pages) : QString(),
            r.whitelist,
            lastChangeText(r)};
}

const QStringList Header {"name",     "address", "reachable", "version",    "target",
                          "conforms", "pages",   "whitelist", "last_change"};

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// A label value: backslash, double quote and line feed escaped.
QString label(const QString &text)
{
    QString v = text;
    v.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    v.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    v.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return v;
}
} // namespace

QByteArray table(const QList<StatusRow> &rows)
{
    QList<QStringList> lines {
        {"NAME", "ADDRESS", "UP", "VERSION", "TARGET", "CONFORMS", "PAGES", "WHITELIST", "LAST CHANGE"}};
    for (const StatusRow &r : rows)
        lines << cells(r);
    return aligned(lines);
}

QByteArray aligned(const QList<QStringList> &lines)
{
    QList<int> widths;
    for (int c = 0; c < lines.first().size(); ++c) {
        int w = 0;
        for (const QStringList &l : lines)
            w = qMax(w, l.at(c).size());
        widths << w;
    }
    QByteArray out;
    for (const QStringList &l : lines) {
        QString line;
        for (int c = 0; c < l.size(); ++c)
            line += c + 1 < l.size() ? l.at(c).leftJustified(widths.at(c) + 2) : l.at(c);
        out += line.trimmed().toUtf8() + '\n';
    }
    return out;
}

QByteArray csv(const QList<StatusRow> &rows)
{
    QByteArray out = Header.join(QLatin1Char(',')).toUtf8() + '\n';
    for (const StatusRow &r : rows) {
        QStringList fields;
        for (const QString &cell : cells(r))
            fields << csvField(cell);
        fields[2] = r.reachable ? QStringLiteral("true") : QStringLiteral("false");
        if (r.conformsKnown())
            fields[5] = r.conforms() ? QStringLiteral("true") : QStringLiteral("false");
        out += fields.join(QLatin1Char(',')).toUtf8() + '\n';
    }
    return out;
}

QByteArray json(const QList<StatusRow> &rows)
{
    QByteArray out;
    for (const StatusRow &r : rows) {
        auto orNull = [](const QString &s) { return s.isEmpty() ? QJsonValue() : QJsonValue(s); };
        QJsonObject o;
        o.insert(QStringLiteral("name"), orNull(r.name));
        o.insert(QStringLiteral("address"), r.address);
        o.insert(QStringLiteral("reachable"), r.reachable);
        o.insert(QStringLiteral("version"), orNull(r.version));
        o.insert(QStringLiteral("target"), orNull(r.target));
        o.insert(QStringLiteral("conforms"), r.conformsKnown() ? QJsonValue(r.conforms()) : QJsonValue());
        o.insert(QStringLiteral("pages"), r.pages >= 0 ? QJsonValue(r.pages) : QJsonValue());
        o.insert(QStringLiteral("whitelist"), r.whitelist);
        o.insert(QStringLiteral("last_change"), r.lastChange.isEmpty() ? QJsonValue() : QJsonValue(r.lastChange));
        out += QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
    }
    return out;
}

QByteArray prometheus(const QList<StatusRow> &rows, const QDateTime &run)
{
    QString out;
    auto family = [&out](const char *name, const char *type, const char *help) {
        out += QStringLiteral("# HELP %1 %2\n# TYPE %1 %3\n")
                   .arg(QLatin1String(name), QLatin1String(help), QLatin1String(type));
    };
    auto labels = [](const StatusRow &r, const QString &extra = QString()) {
        return QStringLiteral("{printer=\"%1\",name=\"%2\"%3}").arg(label(r.address), label(r.name), extra);
    };
    family("nettool_printer_up", "gauge", "Whether the printer answered (1) or not (0).");
    for (const StatusRow &r : rows)
        out += QStringLiteral("nettool_printer_up%1 %2\n").arg(labels(r)).arg(r.reachable ? 1 : 0);
    family("nettool_printer_pages_total", "counter", "The printer's page counter.");
    for (const StatusRow &r : rows)
        if (r.pages >= 0)
            out += QStringLiteral("nettool_printer_pages_total%1 %2\n").arg(labels(r)).arg(r.pages);
    family("nettool_printer_firmware_info", "gauge", "The firmware version the printer runs.");
    for (const StatusRow &r : rows)
        if (!r.version.isEmpty())
            out += QStringLiteral("nettool_printer_firmware_info%1 1\n")
                       .arg(labels(r, QStringLiteral(",version=\"%1\"").arg(label(r.version))));
    family("nettool_printer_firmware_conforms", "gauge",
           "Whether the firmware is the inventory's target version (1) or not (0).");
    for (const StatusRow &r : rows)
        if (r.conformsKnown())
            out += QStringLiteral("nettool_printer_firmware_conforms%1 %2\n").arg(labels(r)).arg(r.conforms() ? 1 : 0);
    family("nettool_printer_whitelist_uncertain", "gauge",
           "Whether an interrupted change leaves the printer's whitelist unknown (1).");
    for (const StatusRow &r : rows)
        out += QStringLiteral("nettool_printer_whitelist_uncertain%1 %2\n")
                   .arg(labels(r))
                   .arg(r.whitelist == QLatin1String("uncertain") ? 1 : 0);
    family("nettool_status_last_run_timestamp_seconds", "gauge", "When nettoolctl status last ran.");
    out += QStringLiteral("nettool_status_last_run_timestamp_seconds %1\n").arg(run.toSecsSinceEpoch());
    return out.toUtf8();
}

bool writeAtomically(const QString &path, const QByteArray &bytes, QString *why)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        *why = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    // Readable by the exporter, whoever runs it.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                        | QFileDevice::ReadOther);
    if (!file.commit()) {
        *why = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
} // namespace StatusReport
