#include "support/reexec.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

bool reexecUnder(const char *marker, std::initializer_list<const char *> wrapper, int argc, char **argv)
{
    if (std::getenv(marker))
        return true;
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
