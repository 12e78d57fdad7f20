#include "core/endpoints.h"
#include "core/networkrules.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdlib>

// What the patterns accept is four dotted groups of 0-255 (A: the last
// below 255; the network page's: without leading zeros), and the URL holds
// an accepted address in plain decimal.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const bool a = AddressPatterns::matchesA(text);
    const bool b = AddressPatterns::matchesB(text);
    const bool c = AddressPatterns::matchesConfig(text);
    if ((a || c) && !b)
        std::abort();
    if (b) {
        const QStringList groups = text.split('.');
        if (groups.size() != 4)
            std::abort();
        for (const QString &g : groups) {
            bool ok = false;
            const int v = g.toInt(&ok);
            if (!ok || v < 0 || v > 255 || g.size() > 3)
                std::abort();
        }
        if (a && groups.at(3).toInt() == 255)
            std::abort();
        if (c && QString::number(NetworkRules::addressValue(text) >> 24) != groups.at(0))
            std::abort();
        // Each group in plain decimal, and the URL parser reads back exactly
        // that host: no group may be taken as octal.
        const QString plain = QStringLiteral("%1.%2.%3.%4")
                                  .arg(groups.at(0).toInt())
                                  .arg(groups.at(1).toInt())
                                  .arg(groups.at(2).toInt())
                                  .arg(groups.at(3).toInt());
        const QString url = Endpoints::url(Endpoints::Clear, text);
        if (url != "http://" + plain + ":9100/lsp/clear.php" || QUrl(url).host() != plain)
            std::abort();
    }
    return 0;
}
