// Payload encryption of HttpServices: AES-256 in ECB mode with PKCS #7
// padding under a key text padded with spaces (what the printer decrypts).
#include "net/httpservices.h"

#include <cryptopp/aes.h>
#include <cryptopp/modes.h>
#include <cryptopp/secblock.h>

#include <algorithm>
#include <cstring>

QByteArray HttpServices::aesEncrypt(const QString &plainText, const QString &keyText)
{
    if (plainText.isEmpty() || keyText.isEmpty())
        return QByteArray();
    const QByteArray plain = plainText.toLatin1();
    const QByteArray key = keyText.toLatin1();
    const std::string cipher = aesEncryptBytes(std::string(plain.constData(), size_t(plain.size())),
                                               std::string(key.constData(), size_t(key.size())), 32);
    return QByteArray(cipher.data(), int(cipher.size()));
}

std::string HttpServices::aesEncryptBytes(const std::string &plain, const std::string &key, int keyLength)
{
    // Only AES key sizes; the cipher would throw on any other.
    if (keyLength != 16 && keyLength != 24 && keyLength != 32)
        return std::string();
    CryptoPP::SecByteBlock keyBlock(static_cast<size_t>(keyLength));
    std::memset(keyBlock.data(), ' ', keyBlock.size());
    std::memcpy(keyBlock.data(), key.data(), std::min(key.size(), keyBlock.size()));

    // PKCS #7 padding (a whole block of 16 when the text fills its last
    // one), then the whole buffer in one call: the cipher runs its bulk
    // (AES-NI) path instead of a filter queue's 1 KiB pieces. Same bytes as
    // StreamTransformationFilter's default padding.
    const size_t block = CryptoPP::AES::BLOCKSIZE;
    const size_t pad = block - plain.size() % block;
    std::string result;
    result.reserve(plain.size() + pad);
    result.append(plain).append(pad, char(pad));
    CryptoPP::ECB_Mode<CryptoPP::AES>::Encryption cipher;
    cipher.SetKey(keyBlock, keyBlock.size());
    auto *bytes = reinterpret_cast<CryptoPP::byte *>(&result[0]);
    cipher.ProcessData(bytes, bytes, result.size());
    return result;
}
