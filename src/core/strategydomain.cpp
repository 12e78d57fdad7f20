#include "core/strategydomain.h"

#include <QDomDocument>

StrategyDomain::StrategyDomain()
    : QObject(nullptr)
{
}

namespace {
void appendLeaf(QDomDocument &doc, QDomElement &parent, const QString &name, const QString &value)
{
    QDomElement element = doc.createElement(name);
    // Always a text node, also when empty: the printer expects <IP></IP>,
    // never <IP/>.
    element.appendChild(doc.createTextNode(value));
    parent.appendChild(element);
}

// User, IP, IPMAC and Card, in this order.
void appendList(QDomDocument &doc, QDomElement &parent, const QString &name, const QStringList &values)
{
    static const char *const leaves[] = {"User", "IP", "IPMAC", "Card"};
    QDomElement list = doc.createElement(name);
    for (int i = 0; i < 4; ++i)
        appendLeaf(doc, list, QString::fromLatin1(leaves[i]), values.at(i));
    parent.appendChild(list);
}
} // namespace

QString StrategyDomain::createStrategyXml(QStringList ipList)
{
    StrategyInfo info;
    info.type = QStringLiteral("Auth");
    info.authType = ipList.isEmpty() ? QStringLiteral("None") : QStringLiteral("IP");
    for (const QString &ip : qAsConst(ipList)) {
        if (!info.whiteIP.isEmpty())
            info.whiteIP += QLatin1Char(';');
        info.whiteIP += ip;
    }

    QDomDocument doc;
    QDomElement strategies = doc.createElement(QStringLiteral("Strategies"));
    doc.appendChild(strategies);
    QDomElement strategy = doc.createElement(QStringLiteral("Strategy"));
    strategy.setAttribute(QStringLiteral("type"), info.type);
    appendLeaf(doc, strategy, QStringLiteral("AuthType"), info.authType);

    appendList(doc, strategy, QStringLiteral("WhiteList"),
               {info.whiteUser, info.whiteIP, info.whiteIPMAC, info.whiteCard});
    appendList(doc, strategy, QStringLiteral("BlackList"),
               {info.blackUser, info.blackIP, info.blackIPMAC, info.blackCard});

    strategies.appendChild(strategy);
    return doc.toString(1);
}
