#include "cli/printerlist.h"

#include "core/endpoints.h"
#include "core/networkrules.h"
#include "core/printeraddress.h"

#include <QFile>
#include <QSet>

namespace PrinterList {
namespace {
QString dotted(quint32 value)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(value >> 24)
        .arg((value >> 16) & 255)
        .arg((value >> 8) & 255)
        .arg(value & 255);
}
} // namespace

bool readLines(const QString &path, QStringList *lines, QString *why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *why = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    lines->clear();
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).section(QLatin1Char('#'), 0, 0).trimmed();
        if (!line.isEmpty())
            *lines << line;
    }
    return true;
}

bool expandOne(const QString &item, QStringList *printers, QString *why)
{
    const QString address = item.section(QLatin1Char('/'), 0, 0);
    if (!AddressPatterns::matchesB(address)) {
        *why = QStringLiteral("not an IPv4 address or range: ") + item;
        return false;
    }
    if (!item.contains(QLatin1Char('/'))) {
        *printers << AddressPatterns::plain(address);
        return true;
    }
    bool isNumber = false;
    const int prefix = item.section(QLatin1Char('/'), 1).toInt(&isNumber);
    if (!isNumber || prefix < 0 || prefix > 32 || item.count(QLatin1Char('/')) != 1) {
        *why = QStringLiteral("not a range in CIDR notation: ") + item;
        return false;
    }
    if (prefix < 16) {
        *why = QStringLiteral("range too large (more than %1 addresses): %2").arg(MaxPrinters).arg(item);
        return false;
    }
    const quint32 mask = prefix == 0 ? 0 : ~quint32(0) << (32 - prefix);
    const quint32 network = NetworkRules::addressValue(AddressPatterns::plain(address)) & mask;
    const quint32 last = network | ~mask;
    // Network and broadcast addresses are no hosts, except in /31 and /32.
    const quint32 first = prefix >= 31 ? network : network + 1;
    const quint32 end = prefix >= 31 ? last : last - 1;
    for (quint64 value = first; value <= end; ++value)
        *printers << PrinterAddress::dotted(quint32(value));
    return true;
}

bool expand(const QStringList &items, QStringList *printers, QString *why)
{
    QStringList all;
    for (const QString &item : items) {
        QStringList entries {item};
        if (item.startsWith(QLatin1Char('@')) && !readLines(item.mid(1), &entries, why))
            return false;
        for (const QString &entry : entries) {
            if (!expandOne(entry, &all, why))
                return false;
            if (all.size() > MaxPrinters) {
                *why = QStringLiteral("more than %1 printers").arg(MaxPrinters);
                return false;
            }
        }
    }
    QSet<QString> seen;
    printers->clear();
    for (const QString &printer : all)
        if (!seen.contains(printer)) {
            seen.insert(printer);
            *printers << printer;
        }
    return true;
}

} // namespace PrinterList
