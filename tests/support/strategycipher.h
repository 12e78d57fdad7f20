#ifndef STRATEGYCIPHER_H
#define STRATEGYCIPHER_H

#include <QByteArray>
#include <QString>

// What the printer does with an uploaded whitelist body, done independently
// of the tool's own code: percent-decoding, Base64, AES-256-ECB (OpenSSL)
// under the space-padded key. Returns a null string when any step fails.
QString decryptStrategies(const QByteArray &body, const QByteArray &key = "pelrok");

#endif // STRATEGYCIPHER_H
