#ifndef REEXEC_H
#define REEXEC_H

#include <initializer_list>

// Runs the program again under a wrapper command (such as `unshare -n`),
// once: `marker` is set in the environment so that the second start knows
// it is inside. Returns true in the wrapped run; never returns in the
// first one unless the wrapper cannot be started or is not permitted here
// (then false, and the test skips).
bool reexecUnder(const char *marker, std::initializer_list<const char *> wrapper, int argc, char **argv);

#endif // REEXEC_H
