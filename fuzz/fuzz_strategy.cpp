#include "core/strategydomain.h"

#include <QDomDocument>
#include <cstdlib>

// Any list of address-like texts renders to a document that parses back
// with QDomDocument to the same list.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStringList list;
    for (const QByteArray &piece : QByteArray(reinterpret_cast<const char *>(data), int(size)).split('\n')) {
        QString item;
        for (char c : piece)
            if ((c >= '0' && c <= '9') || c == '.')
                item += QLatin1Char(c);
        if (!item.isEmpty())
            list << item;
    }
    const QString xml = StrategyDomain::createStrategyXml(list);
    QDomDocument doc;
    if (!doc.setContent(xml) || xml.contains("/>") || xml.startsWith("<?xml"))
        std::abort();
    const QDomElement strategy = doc.documentElement().firstChildElement("Strategy");
    const QString ips = strategy.firstChildElement("WhiteList").firstChildElement("IP").text();
    const QStringList back = ips.isEmpty() ? QStringList() : ips.split(';');
    if (back != list)
        std::abort();
    if (strategy.firstChildElement("AuthType").text() != (list.isEmpty() ? "None" : "IP"))
        std::abort();
    return 0;
}
