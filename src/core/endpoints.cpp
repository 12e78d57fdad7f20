#include "core/endpoints.h"

#include <QRegExp>
#include <QStringList>

namespace Endpoints {
const QString SetIP = QStringLiteral("http://%IPADDR%:9100/lsp/setIP.php");
const QString GetPages = QStringLiteral("http://%IPADDR%:9100/lsp/getPages.php");
const QString SetTime = QStringLiteral("http://%IPADDR%:9100/lsp/setTime.php");
const QString GetVersion = QStringLiteral("http://%IPADDR%:9100/lsp/getVersion.php");
const QString Upgrade = QStringLiteral("http://%IPADDR%:9100/lsp/upgrade.php");
const QString ConfigStrategies = QStringLiteral("http://%IPADDR%:9100/lsp/config-strategies.php");
const QString Clear = QStringLiteral("http://%IPADDR%:9100/lsp/clear.php");

QString url(const QString &endpoint, const QString &address)
{
    QString copy = endpoint;
    return copy.replace(QStringLiteral("%IPADDR%"), AddressPatterns::plain(address));
}
} // namespace Endpoints

namespace AddressPatterns {
namespace {
bool isAscii(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() > 0x7F)
            return false;
    return true;
}

bool exact(const QString &pattern, const QString &text)
{
    // QRegExp's \d takes any Unicode digit ("1.0.\u0662.1" would pass and
    // end up in the URL); an IPv4 address is written in ASCII digits only.
    if (!isAscii(text))
        return false;
    // Built afresh per check: QRegExp keeps match state in the object.
    QRegExp rx(pattern);
    return rx.exactMatch(text);
}
} // namespace

QString plain(const QString &text)
{
    QStringList groups = text.split(QLatin1Char('.'));
    if (groups.size() != 4)
        return text;
    for (QString &group : groups) {
        if (group.isEmpty() || !isAscii(group))
            return text;
        for (const QChar c : group)
            if (!c.isDigit())
                return text;
        int zeros = 0;
        while (zeros < group.size() - 1 && group.at(zeros) == QLatin1Char('0'))
            ++zeros;
        group.remove(0, zeros);
    }
    return groups.join(QLatin1Char('.'));
}

bool matchesA(const QString &text)
{
    return exact(QStringLiteral("((2[0-4]\\d|25[0-5]|[01]?\\d\\d?)\\.){3}(2[0-4]\\d|25[0-4]|[01]?\\d\\d?)"), text);
}

bool matchesB(const QString &text)
{
    return exact(QStringLiteral("\\b(?:(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\.){3}"
                                "(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\b"),
                 text);
}

bool matchesConfig(const QString &text)
{
    return exact(QStringLiteral("^((25[0-5]|2[0-4]\\d|((1\\d{2})|([1-9]?\\d)))\\.){3}"
                                "(25[0-5]|2[0-4]\\d|((1\\d{2})|([1-9]?\\d)))$"),
                 text);
}
} // namespace AddressPatterns

namespace Outcome {
bool isSuccess(int status)
{
    return status == 200;
}

bool isTimeout(int status, const QString &reply)
{
    return status == 404 && reply == QLatin1String("timeout");
}
} // namespace Outcome
