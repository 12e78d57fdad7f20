#ifndef ROLLOUTJOB_H
#define ROLLOUTJOB_H

#include "core/job.h"

#include <QDeadlineTimer>

// A firmware version brought to one printer, and the printer brought back
// to its own address: read the version (the target already: nothing to
// do); upload the image; look for the printer at its own address, then at
// its factory address, until the wait runs out; found at the factory
// address, give it its own address, mask and gateway there; last, its own
// address must answer with the target version. The upload and the network
// change are audited as the firmware and network commands audit them.
class RolloutJob : public Job
{
    Q_OBJECT

public:
    struct Target
    {
        QString address;
        QString mask;
        QString gateway;
        QString factoryAddress;
        QString version;
        QString image;
        int waitSeconds = 180;
    };

    RolloutJob(const Target &target, bool checkOnly, QObject *parent = nullptr);

    // Why a printer cannot be updated safely (it could not be brought back
    // from its factory address); empty when it can. Pure.
    static QString refusal(const Target &target);

    QString from() const { return m_from; }
    QString to() const { return m_target.version; }
    // Whether an image was (or, checking, would be) sent.
    bool changed() const { return m_changed; }
    // Whether the printer had to be brought back from its factory address.
    bool broughtBack() const { return m_broughtBack; }

    // Between two looks for a restarting printer.
    static int searchIntervalMs;

protected:
    void run() override;

private:
    void upload();
    void search();
    // `brief`: a restarting printer is given little time to answer.
    void lookAt(const QString &address, bool brief, std::function<void(const Result &)> then);
    void bringBack();
    void giveUp();
    template<class J> void runChild(J *child, std::function<void(J *, const Result &)> then);

    Target m_target;
    bool m_check;
    QString m_from;
    QString m_lastSeen;
    bool m_changed = false;
    bool m_broughtBack = false;
    QDeadlineTimer m_deadline;
};

#endif // ROLLOUTJOB_H
