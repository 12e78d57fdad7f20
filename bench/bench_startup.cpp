// Start-up to the first shown window: the tool against a minimal Qt Widgets
// program, both started the same way on the same X display; the time runs
// from fork to the X server's MapNotify for the program's top-level window.
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
double launchUntilMapped(Display *display, const std::string &program)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    double elapsed = -1;
    const int fd = ConnectionNumber(display);
    while (elapsed < 0) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && elapsed < 0)
                elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        }
        if (elapsed >= 0)
            break;
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(fd, &fds);
        timeval wait = {0, 5000};
        select(fd + 1, &fds, nullptr, nullptr, &wait);
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(30))
            break;
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "%s ended before showing a window\n", program.c_str());
            return -1;
        }
    }
    kill(pid, SIGTERM);
    int status;
    waitpid(pid, &status, 0);
    return elapsed;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_startup TOOL PEER [ROUNDS]\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XFlush(display);
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 11;
    std::vector<double> tool, peer;
    launchUntilMapped(display, argv[1]); // warm the caches for both
    launchUntilMapped(display, argv[2]);
    for (int i = 0; i < rounds; ++i) {
        tool.push_back(launchUntilMapped(display, argv[1]));
        usleep(200000); // the lock file is gone and the server has settled
        peer.push_back(launchUntilMapped(display, argv[2]));
        usleep(200000);
    }
    XCloseDisplay(display);
    if (*std::min_element(tool.begin(), tool.end()) < 0 || *std::min_element(peer.begin(), peer.end()) < 0)
        return 1;
    const double a = median(tool), b = median(peer);
    std::printf("start-up to first window: tool %.1f ms, minimal Qt program %.1f ms, ratio %.2f (target <= 1.2)\n", a,
                b, a / b);
    return 0;
}
