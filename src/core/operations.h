#ifndef OPERATIONS_H
#define OPERATIONS_H

#include "core/request.h"
#include "core/result.h"

#include <QDateTime>
#include <QString>

// Every printer operation as the window and the command line both run it:
// the checks before sending, the request, and how its answer is judged.
// Pure: nothing here waits or shows anything.
namespace Ops {

// Which address check a page applies to its printer field: A for the
// operations that talk to a printer host (last group below 255), B for the
// whitelist and the queue.
enum class AddressCheck { A, B };
Result checkPrinter(const QString &printer, AddressCheck check);

Prepared version(const QString &printer);
Result judgeVersion(int status, const QString &body); // value: the version

Prepared clock(const QString &printer, const QDateTime &now);
Result judgeClock(int status, const QString &body);

Prepared counter(const QString &printer);
Result judgeCounter(int status, const QString &body); // value: the count

Prepared clear(const QString &printer);
Result judgeClear(int status, const QString &body);

// The file is opened here (regular files only), so a refusal comes before
// anything is sent.
Prepared upgrade(const QString &printer, const QString &path);
Result judgeUpgrade(int status, const QString &body);

// The network change: the 18 rules (step and its texts on refusal), setIP,
// and the probe of the new address when setIP was delivered but unanswered.
Prepared setIP(const QString &current, const QString &ip, const QString &mask, const QString &gateway);
bool needsProbe(int status, const QString &body);
Result judgeSetIP(int status, const QString &body);
Prepared probe(const QString &newAddress);
// Success when the printer answered at its new address; otherwise the
// configuration was sent but the printer has not been seen since.
Result judgeProbe(int status, const QString &body);

} // namespace Ops

#endif // OPERATIONS_H
