#ifndef NETNS_H
#define NETNS_H

#include <QStringList>

// Runs the calling test inside a private network namespace of its own, so
// that it may listen on test addresses (198.51.100.0/24) without touching
// the machine's network. The first call re-executes the program under
// `unshare -n` and never returns there; inside, it brings up loopback with
// the given addresses. Returns false when namespaces cannot be had.
namespace NetNs {
constexpr int SkipExitCode = 77;
bool enter(int argc, char **argv, const QStringList &addresses);
// Inside: routes `address` where every packet to it vanishes, as with a printer that is switched off.
bool routeIntoVoid(const QString &address);
} // namespace NetNs

#endif // NETNS_H
