#include "support/mountns.h"

#include <QByteArray>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace MountNs {

bool enter(int argc, char **argv, const char *tmpfsSize)
{
    if (!qEnvironmentVariableIsSet("NETTOOL_IN_MOUNTNS")) {
        ::setenv("NETTOOL_IN_MOUNTNS", "1", 1);
        std::vector<char *> args {const_cast<char *>("unshare"), const_cast<char *>("-m"),
                                  const_cast<char *>("--propagation"), const_cast<char *>("private")};
        for (int i = 0; i < argc; ++i)
            args.push_back(argv[i]);
        args.push_back(nullptr);
        ::execvp("unshare", args.data());
        std::perror("unshare");
        return false;
    }
    const std::string options = std::string("size=") + tmpfsSize + ",mode=0755";
    return ::mount("tmpfs", "/var/varnok/data", "tmpfs", 0, options.c_str()) == 0;
}

bool remountReadOnly(bool readOnly)
{
    const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
    return ::mount("tmpfs", "/var/varnok/data", "tmpfs", flags, nullptr) == 0;
}

} // namespace MountNs
