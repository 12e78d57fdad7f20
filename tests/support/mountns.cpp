#include "support/mountns.h"

#include "support/reexec.h"

#include <QByteArray>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace MountNs {

bool enter(int argc, char **argv, const char *tmpfsSize)
{
    if (!reexecUnder("NETTOOL_IN_MOUNTNS", {"unshare", "-m", "--propagation", "private"}, argc, argv))
        return false;
    const std::string options = std::string("size=") + tmpfsSize + ",mode=0755";
    // The audit log gets a tmpfs of its own, so a test can read what was
    // logged and make it unwritable.
    ::mkdir("/var/varnok/log", 02775);
    return ::mount("tmpfs", "/var/varnok/data", "tmpfs", 0, options.c_str()) == 0
        && ::mount("tmpfs", "/var/varnok/log", "tmpfs", 0, "size=1m,mode=0755") == 0;
}

bool remountLogReadOnly(bool readOnly)
{
    const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
    return ::mount("tmpfs", "/var/varnok/log", "tmpfs", flags, nullptr) == 0;
}

bool remountReadOnly(bool readOnly)
{
    const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
    return ::mount("tmpfs", "/var/varnok/data", "tmpfs", flags, nullptr) == 0;
}

} // namespace MountNs
