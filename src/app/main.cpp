#include "app/instancechannel.h"
#include "app/startup.h"
#include "core/terminationwatcher.h"
#include "ui/cmanage.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QLockFile>
#include <QTranslator>
#include <QtDebug>

#include <sys/stat.h>

int main(int argc, char **argv)
{
    // Every operator (the group of /var/varnok) must be able to take over a
    // lock, a printer folder or a store that another one's instance made.
    const mode_t mask = ::umask(0);
    ::umask(mask & ~mode_t(S_IWGRP));

    QLockFile lock(Startup::lockFilePath());
    const Startup::LockOutcome outcome = Startup::takeLock(lock);
    if (outcome != Startup::LockOutcome::Taken) {
        if (outcome == Startup::LockOutcome::HeldElsewhere) {
            QCoreApplication core(argc, argv);
            InstanceChannel::askToRaise(InstanceChannel::name(), 1000);
        }
        qDebug() << "lock file error";
        // Another running instance is an ordinary refusal; a lock that cannot
        // even be created means a broken installation and must not look like
        // success to whoever started us.
        return outcome == Startup::LockOutcome::HeldElsewhere ? 0 : 1;
    }

    TerminationWatcher::installHandlers();
    QCoreApplication::setSetuidAllowed(true);
    QApplication app(argc, argv);
    // Early, so that a second start soon after this one finds it; requests
    // are only read once the window exists and the event loop runs.
    InstanceChannel channel;
    if (!channel.listen(InstanceChannel::name()))
        qWarning("a second start will not be able to raise this window");
    QDesktopWidget *desktop = QApplication::desktop();
    const QString dir = QCoreApplication::applicationDirPath();

    QTranslator translator;
    Startup::installCatalogue(translator, dir);
    Startup::applyApplicationFont(dir);

    TerminationWatcher watcher;
    cManage window;
    window.move(Startup::centredPosition(desktop->size(), window.size()));
    // Closing, not quitting: the window may first finish a change the
    // printer is still answering.
    QObject::connect(&watcher, &TerminationWatcher::terminationRequested, &window, [&window] {
        // A close that is not waiting for a change ends the tool even with a
        // box open (the box is closed with the window).
        if (window.close())
            QCoreApplication::quit();
    });
    QObject::connect(&window, &cManage::closedAfterWaiting, &app, &QCoreApplication::quit);
    window.show();
    QObject::connect(&channel, &InstanceChannel::raiseRequested, &window, [&window] {
        // A window already closed (or hidden while it finishes a change)
        // stays so: showing it again would keep the tool from quitting.
        if (window.isHidden())
            return;
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    return app.exec();
}
