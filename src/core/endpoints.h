#ifndef ENDPOINTS_H
#define ENDPOINTS_H

#include <QString>

// The printer API: one endpoint per operation, all on port 9100 under /lsp/.
namespace Endpoints {
extern const QString SetIP;
extern const QString GetPages;
extern const QString SetTime;
extern const QString GetVersion;
extern const QString Upgrade;
extern const QString ConfigStrategies;
extern const QString Clear;

// The template with every "%IPADDR%" replaced by the address in its plain
// form (see AddressPatterns::plain).
QString url(const QString &endpoint, const QString &address);
} // namespace Endpoints

namespace AddressPatterns {
// A dotted address with each group's leading zeros dropped ("127.0.0.010"
// is 127.0.0.10). The URL parser would read "010" as octal and reach
// another printer. Any other text is returned as it is.
QString plain(const QString &text);
// Fourth group 0 to 254: the operations that talk to a printer host.
bool matchesA(const QString &text);
// Four groups of 0 to 255.
bool matchesB(const QString &text);
// No leading zeros; the network page's own, stricter check.
bool matchesConfig(const QString &text);
} // namespace AddressPatterns

namespace Outcome {
bool isSuccess(int status);
// The record a request delivers when its time-out fired first.
bool isTimeout(int status, const QString &reply);
} // namespace Outcome

#endif // ENDPOINTS_H
