#include "core/networkrules.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <cstdlib>

// Four texts split at NUL bytes. The step must be in range, and a verdict
// of "all pass" must really satisfy the rules it claims.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> parts = QByteArray(reinterpret_cast<const char *>(data), int(size)).split('\0');
    const QString current = QString::fromLatin1(parts.value(0));
    const QString ip = QString::fromLatin1(parts.value(1));
    const QString mask = QString::fromLatin1(parts.value(2));
    const QString gw = QString::fromLatin1(parts.value(3));
    const int step = NetworkRules::firstFailingStep(current, ip, mask, gw);
    if (step < 0 || step > 18)
        std::abort();
    if (step == 0) {
        const uint32_t m = NetworkRules::addressValue(mask);
        const uint32_t a = NetworkRules::addressValue(ip);
        const uint32_t g = NetworkRules::addressValue(gw);
        if (m == 0 || ((~m >> 1) & m) != 0 || (a & m) != (g & m) || ip == current || ip == gw)
            std::abort();
    }
    return 0;
}
