#include "support/strategycipher.h"

#include <openssl/evp.h>

QString decryptStrategies(const QByteArray &body, const QByteArray &key)
{
    if (!body.startsWith("strategies="))
        return QString();
    const QByteArray cipher = QByteArray::fromBase64(QByteArray::fromPercentEncoding(body.mid(11)));
    QByteArray k(32, ' ');
    for (int i = 0; i < qMin(32, key.size()); ++i)
        k[i] = key[i];
    QByteArray plain(cipher.size() + 32, '\0');
    int len = 0, tail = 0;
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    bool ok = EVP_DecryptInit_ex(ctx, EVP_aes_256_ecb(), nullptr,
                                 reinterpret_cast<const unsigned char *>(k.constData()), nullptr)
        && EVP_DecryptUpdate(ctx, reinterpret_cast<unsigned char *>(plain.data()), &len,
                             reinterpret_cast<const unsigned char *>(cipher.constData()), cipher.size())
        && EVP_DecryptFinal_ex(ctx, reinterpret_cast<unsigned char *>(plain.data()) + len, &tail);
    EVP_CIPHER_CTX_free(ctx);
    if (!ok)
        return QString();
    plain.resize(len + tail);
    return QString::fromLatin1(plain);
}
