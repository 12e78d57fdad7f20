#include "core/whitelistupload.h"

namespace WhitelistUpload {

QString keyText()
{
    return QStringLiteral("pelrok");
}

QString parameter(const QByteArray &cipher)
{
    return QStringLiteral("strategies=") + QString::fromLatin1(cipher.toBase64().toPercentEncoding());
}

QStringList removedAddresses(const QString &quotedList)
{
    if (quotedList.isEmpty())
        return QStringList();
    QString bare = quotedList;
    bare.remove(QLatin1Char('\''));
    return bare.split(QLatin1Char(','));
}

QString quotedList(const QStringList &addresses)
{
    QString list;
    for (const QString &address : addresses) {
        if (!list.isEmpty())
            list += QLatin1Char(',');
        list += QLatin1Char('\'') + address + QLatin1Char('\'');
    }
    return list;
}

} // namespace WhitelistUpload
