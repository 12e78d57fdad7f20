#include "support/reexec.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
// Once exec'd, a wrapper that is not permitted here (unshare without the
// privilege) could only fail the test: try it on `true` first.
bool wrapperWorks(std::initializer_list<const char *> wrapper)
{
    std::vector<char *> args;
    for (const char *w : wrapper)
        args.push_back(const_cast<char *>(w));
    args.push_back(const_cast<char *>("true"));
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 2);
        ::execvp(args.front(), args.data());
        _exit(127);
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
} // namespace

bool reexecUnder(const char *marker, std::initializer_list<const char *> wrapper, int argc, char **argv)
{
    if (std::getenv(marker))
        return true;
    if (!wrapperWorks(wrapper))
        return false;
    ::setenv(marker, "1", 1);
    std::vector<char *> args;
    for (const char *w : wrapper)
        args.push_back(const_cast<char *>(w));
    for (int i = 0; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    ::execvp(args.front(), args.data());
    std::perror(args.front());
    return false;
}
