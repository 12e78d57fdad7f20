#include "core/statusjob.h"

#include "core/operations.h"

StatusJob::StatusJob(const QString &printer, QObject *parent)
    : Job(printer, parent)
{
}

qint64 StatusJob::pages() const
{
    bool number = false;
    const qint64 count = m_pages.value.trimmed().toLongLong(&number);
    return m_pages.ok() && number && count >= 0 ? count : -1;
}

void StatusJob::run()
{
    Prepared version = Ops::version(printer());
    Prepared counter = Ops::counter(printer());
    if (!version.ready()) {
        finish(version.refusal);
        return;
    }
    m_waiting = 2;
    send(std::move(version.request), Ops::judgeVersion, [this](const Result &r) {
        m_version = r;
        ended();
    });
    send(std::move(counter.request), Ops::judgeCounter, [this](const Result &r) {
        m_pages = r;
        ended();
    });
}

void StatusJob::ended()
{
    if (--m_waiting > 0)
        return;
    if (reachable()) {
        finish(Result::success(version()));
        return;
    }
    finish(m_version);
}
