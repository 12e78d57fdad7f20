// nettoolctl: the window's operations for one printer or a whole fleet,
// from the command line, on the same core.
#include "cli/commands.h"
#include "net/httpservices.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QtGlobal>

#include <cstdio>
#include <sys/stat.h>

int main(int argc, char **argv)
{
    // Shared with the window's operators: see the window's start-up.
    const mode_t mask = ::umask(0);
    ::umask(mask & ~mode_t(S_IWGRP));

    // Qt's own event loop, not GLib's: GLib's wakes itself with a write for
    // every event posted, several per printer of a fleet.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nettoolctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NETTOOL_VERSION));
    // The core's trace lines and the network layer's warnings (a form POST
    // without a content type is what the printer expects) are for
    // debugging, not for a terminal; the command says what matters itself.
    if (!qEnvironmentVariableIsSet("NETTOOL_DEBUG")) {
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", qPrintable(message));
        });
    }
    // Requests over a fleet go over lean exchanges in this thread: the
    // fan-out's cost per printer was mostly a network manager's own.
    HttpServices::setFleetMode(true);
    return Commands::run(app);
}
