#include "whitelist/strategydomain.h"

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

    QDomElement white = doc.createElement(QStringLiteral("WhiteList"));
    appendLeaf(doc, white, QStringLiteral("User"), info.whiteUser);
    appendLeaf(doc, white, QStringLiteral("IP"), info.whiteIP);
    appendLeaf(doc, white, QStringLiteral("IPMAC"), info.whiteIPMAC);
    appendLeaf(doc, white, QStringLiteral("Card"), info.whiteCard);
    strategy.appendChild(white);

    QDomElement black = doc.createElement(QStringLiteral("BlackList"));
    appendLeaf(doc, black, QStringLiteral("User"), info.blackUser);
    appendLeaf(doc, black, QStringLiteral("IP"), info.blackIP);
    appendLeaf(doc, black, QStringLiteral("IPMAC"), info.blackIPMAC);
    appendLeaf(doc, black, QStringLiteral("Card"), info.blackCard);
    strategy.appendChild(black);

    strategies.appendChild(strategy);
    return doc.toString(1);
}
