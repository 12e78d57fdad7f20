#ifndef STRATEGYDOMAIN_H
#define STRATEGYDOMAIN_H

#include <QObject>
#include <QString>
#include <QStringList>

// The values of one strategy document; the tool fills type, authType and
// whiteIP and leaves the rest empty.
struct StrategyInfo
{
    QString type;
    QString authType;
    QString whiteUser;
    QString whiteIP;
    QString whiteIPMAC;
    QString whiteCard;
    QString blackUser;
    QString blackIP;
    QString blackIPMAC;
    QString blackCard;
};

// Renders a whitelist as the XML strategy document the printer takes.
class StrategyDomain : public QObject
{
    Q_OBJECT

public:
    StrategyDomain();

    // The whole document for these addresses, in this order.
    static QString createStrategyXml(QStringList ipList);
};

#endif // STRATEGYDOMAIN_H
