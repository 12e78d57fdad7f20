#ifndef TERMINATIONWATCHER_H
#define TERMINATIONWATCHER_H

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into an orderly close of the window
// (terminationRequested), so that a session logout or a kill still records
// an accepted change and releases the single-instance lock instead of
// leaving the file behind.
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

signals:
    void terminationRequested();

private slots:
    void onSignalled();

private:
    QSocketNotifier *m_notifier = nullptr;
};

#endif // TERMINATIONWATCHER_H
