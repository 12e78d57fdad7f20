#ifndef WHITELIST_UPLOAD_H
#define WHITELIST_UPLOAD_H

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace WhitelistUpload {

// The key text both sides know.
QString keyText();

// "strategies=" and the percent-encoded Base64 of the cipher bytes: only
// A-Z, a-z, 0-9, "-", ".", "_" and "~" stay as they are.
QString parameter(const QByteArray &cipher);

// The addresses of a quoted removal list ('a','b'), in its order; none for
// an empty list.
QStringList removedAddresses(const QString &quotedList);

// The quoted removal list for these addresses.
QString quotedList(const QStringList &addresses);

} // namespace WhitelistUpload

#endif // WHITELIST_UPLOAD_H
