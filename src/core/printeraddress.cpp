#include "core/printeraddress.h"

#include "core/endpoints.h"

#include <QStringList>

PrinterAddress PrinterAddress::parse(const QString &text)
{
    PrinterAddress a;
    a.m_typed = text;
    a.m_plain = AddressPatterns::plain(text);
    a.m_valid = AddressPatterns::matchesB(text);
    if (a.m_valid)
        for (const QString &group : a.m_plain.split(QLatin1Char('.')))
            a.m_value = (a.m_value << 8) | group.toUInt();
    return a;
}

QString PrinterAddress::dotted(quint32 value)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(value >> 24)
        .arg((value >> 16) & 255)
        .arg((value >> 8) & 255)
        .arg(value & 255);
}
