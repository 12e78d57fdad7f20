#ifndef MOUNTNS_H
#define MOUNTNS_H

// Runs the calling test inside a private mount namespace with a small tmpfs
// over /var/varnok/data (and one over /var/varnok/log), so that it can fill or freeze the store's file
// system without touching the real one. The first call re-executes the
// program under `unshare -m`; returns false when that cannot be had.
namespace MountNs {
constexpr int SkipExitCode = 77;
bool enter(int argc, char **argv, const char *tmpfsSize);
bool remountReadOnly(bool readOnly);
// Another tmpfs lies over /var/varnok/log.
bool remountLogReadOnly(bool readOnly);
} // namespace MountNs

#endif // MOUNTNS_H
