#include "core/terminationwatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_caught = 0;
volatile sig_atomic_t g_secondEnds = 0;

void onUnixSignal(int sig)
{
    // Only async-signal-safe work here; the event loop does the rest.
    if (g_caught && g_secondEnds)
        ::_exit(128 + sig);
    g_caught = 1;
    const char byte = char(sig);
    const ssize_t ignored = ::write(g_pipe[1], &byte, 1);
    (void)ignored;
}
} // namespace

bool TerminationWatcher::installHandlers()
{
    if (g_pipe[0] != -1)
        return true;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onUnixSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
    return true;
}

TerminationWatcher::TerminationWatcher(QObject *parent)
    : QObject(parent)
{
    if (!installHandlers())
        return;
    // A signal that came before the event loop existed is still in the pipe.
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationWatcher::onSignalled);
}

TerminationWatcher::~TerminationWatcher()
{
    if (!m_notifier)
        return;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::signal(sig, SIG_DFL);
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

bool TerminationWatcher::isActive() const
{
    return m_notifier != nullptr;
}

void TerminationWatcher::setSecondSignalEnds(bool ends)
{
    g_secondEnds = ends ? 1 : 0;
}

void TerminationWatcher::onSignalled()
{
    char buffer[16];
    int sig = 0;
    ssize_t n;
    while ((n = ::read(g_pipe[0], buffer, sizeof buffer)) > 0)
        if (sig == 0)
            sig = buffer[0];
    emit signalled(sig);
    emit terminationRequested();
}
