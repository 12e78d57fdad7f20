#include "core/whitelistupload.h"

#include <cstdlib>

// The parameter holds only unreserved characters and "%XX", and decodes
// back to the Base64 of the cipher bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray cipher(reinterpret_cast<const char *>(data), int(size));
    const QString parameter = WhitelistUpload::parameter(cipher);
    if (!parameter.startsWith("strategies="))
        std::abort();
    const QByteArray encoded = parameter.mid(11).toLatin1();
    for (int i = 0; i < encoded.size(); ++i) {
        const char c = encoded.at(i);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'
            || c == '.' || c == '_' || c == '~';
        if (c == '%') {
            const QByteArray hex = encoded.mid(i + 1, 2);
            if (hex.size() != 2 || hex.toUpper() != hex)
                std::abort();
            i += 2;
        } else if (!unreserved) {
            std::abort();
        }
    }
    if (QByteArray::fromPercentEncoding(encoded) != cipher.toBase64())
        std::abort();
    if (QByteArray::fromBase64(QByteArray::fromPercentEncoding(encoded)) != cipher)
        std::abort();
    return 0;
}
