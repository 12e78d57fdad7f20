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

} // namespace NetNs
