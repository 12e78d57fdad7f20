#include "net/httpservices.h"

#include <cstdlib>

// The decoded text never reaches past the first NUL and is the UTF-8 of the
// bytes before it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), int(size));
    const QString text = Reply::decode(body);
    const int nul = body.indexOf('\0');
    const QByteArray head = nul < 0 ? body : body.left(nul);
    if (text != QString::fromUtf8(head) || text.contains(QChar(0)))
        std::abort();
    if (Reply::decode(QByteArray()).isNull() == false)
        std::abort();
    return 0;
}
