#ifndef TERMINATIONWATCHER_H
#define TERMINATIONWATCHER_H

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into an orderly end (terminationRequested):
// the window closes, the command line stops starting printers; either still
// records a change the printer accepts, and the window releases the
// single-instance lock instead of leaving the file behind.
class TerminationWatcher : public QObject
{
    Q_OBJECT

public:
    explicit TerminationWatcher(QObject *parent = nullptr);
    ~TerminationWatcher() override;

    // Catches the signals from now on; the watcher, once the application
    // exists, turns what was caught into a quit.
    static bool installHandlers();

    bool isActive() const;

    // A second signal ends the process at once (status 128 + signal), with
    // no further clean-up: for a command line whose user insists.
    static void setSecondSignalEnds(bool ends);

signals:
    void terminationRequested();
    // The first signal caught: SIGTERM, SIGINT or SIGHUP.
    void signalled(int sig);

private slots:
    void onSignalled();

private:
    QSocketNotifier *m_notifier = nullptr;
};

#endif // TERMINATIONWATCHER_H
