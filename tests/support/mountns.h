#ifndef MOUNTNS_H
#define MOUNTNS_H

// Runs the calling test inside a private mount namespace with a small tmpfs
// over /var/varnok/data, so that it can fill or freeze the store's file
// system without touching the real one. The first call re-executes the
// program under `unshare -m`; returns false when that cannot be had.
namespace MountNs {
constexpr int SkipExitCode = 77;
bool enter(int argc, char **argv, const char *tmpfsSize);
bool remountReadOnly(bool readOnly);
} // namespace MountNs

#endif // MOUNTNS_H
