#ifndef TIMEOUTS_H
#define TIMEOUTS_H

// The two waits of the printer API, named once: an answer the printer
// should give at once, and a change (or a GET, or an upload's answer) it
// may take its time over.
namespace Timeouts {
constexpr int Reading = 10000;
constexpr int Change = 30000;
} // namespace Timeouts

#endif // TIMEOUTS_H
