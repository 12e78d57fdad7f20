#include "app/startup.h"
#include "app/terminationwatcher.h"
#include "ui/cmanage.h"

#include <QApplication>
#include <QDesktopWidget>
#include <QLockFile>
#include <QTranslator>
#include <QtDebug>

int main(int argc, char **argv)
{
    QLockFile lock(Startup::lockFilePath());
    const Startup::LockOutcome outcome = Startup::takeLock(lock);
    if (outcome != Startup::LockOutcome::Taken) {
        qDebug() << "lock file error";
        // Another running instance is an ordinary refusal; a lock that cannot
        // even be created means a broken installation and must not look like
        // success to whoever started us.
        return outcome == Startup::LockOutcome::HeldElsewhere ? 0 : 1;
    }

    TerminationWatcher::installHandlers();
    QCoreApplication::setSetuidAllowed(true);
    QApplication app(argc, argv);
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
    QObject::connect(&watcher, &TerminationWatcher::terminationRequested, &window, &QWidget::close);
    QObject::connect(&window, &cManage::closedAfterWaiting, &app, &QCoreApplication::quit);
    window.show();
    return app.exec();
}
