#ifndef STATUSJOB_H
#define STATUSJOB_H

#include "core/job.h"

// What one printer says of itself: its firmware version and its page count,
// asked at once. Reachable when either got an HTTP answer, even a refusal;
// succeeds when it is. Only reads.
class StatusJob : public Job
{
    Q_OBJECT

public:
    explicit StatusJob(const QString &printer, QObject *parent = nullptr);

    bool reachable() const
    {
        auto answered = [](const Result &r) { return r.ok() || r.kind == Result::Kind::Refused; };
        return answered(m_version) || answered(m_pages);
    }
    // Empty when it did not say.
    QString version() const { return m_version.ok() ? m_version.value : QString(); }
    // -1 when it did not say (or said something that is no count).
    qint64 pages() const;

protected:
    void run() override;

private:
    void ended();

    Result m_version;
    Result m_pages;
    int m_waiting = 0;
};

#endif // STATUSJOB_H
