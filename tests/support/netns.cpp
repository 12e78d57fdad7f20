#include "support/netns.h"

#include "support/reexec.h"

#include <QByteArray>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace NetNs {

namespace {
int run(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
} // namespace

bool enter(int argc, char **argv, const QStringList &addresses)
{
    if (!reexecUnder("NETTOOL_IN_NETNS", {"unshare", "-n"}, argc, argv))
        return false;
    if (run({"ip", "link", "set", "lo", "up"}) != 0)
        return false;
    for (const QString &address : addresses) {
        // A fresh namespace routes nothing; each address becomes local here.
        if (run({"ip", "addr", "add", address.toStdString() + "/24", "dev", "lo"}) != 0)
            return false;
    }
    return true;
}

bool routeIntoVoid(const QString &address)
{
    // A veth pair whose far end answers nothing, and a fixed neighbour entry
    // so that no failed ARP lookup reports the host unreachable: the SYNs
    // leave and are never heard of again.
    return run({"ip", "link", "add", "void0", "type", "veth", "peer", "name", "void1"}) == 0
        && run({"ip", "link", "set", "void0", "up"}) == 0 && run({"ip", "link", "set", "void1", "up"}) == 0
        && run({"ip", "route", "add", address.toStdString() + "/32", "dev", "void0"}) == 0
        && run({"ip", "neigh", "add", address.toStdString(), "lladdr", "02:00:00:00:00:01", "dev", "void0", "nud",
                "permanent"})
        == 0;
}

} // namespace NetNs
