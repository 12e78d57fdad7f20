#include "cli/apply.h"

#include "core/job.h"
#include "core/operations.h"
#include "core/rolloutjob.h"
#include "core/whitelistjob.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>

namespace {
const QString Clock = QStringLiteral("clock");
const QString WhitelistStep = QStringLiteral("whitelist");
const QString Firmware = QStringLiteral("firmware");

// A step that only says what it would do (checking sends nothing).
class WouldJob : public Job
{
public:
    WouldJob(const QString &printer, const QString &what)
        : Job(printer)
        , m_what(what)
    {
    }

protected:
    void run() override { finish(Result::success(m_what)); }

private:
    QString m_what;
};

void out(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}
} // namespace

Apply::Apply(const Options &options, const QList<InventoryHost> &hosts, const QHash<QString, QStringList> &whitelists,
             QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_whitelists(whitelists)
{
    for (const InventoryHost &h : hosts) {
        Printer p;
        p.host = h;
        if (h.clock)
            p.pending << Clock;
        if (!h.whitelist.isEmpty())
            p.pending << WhitelistStep;
        if (!h.firmwareVersion.isEmpty())
            p.pending << Firmware;
        m_printers << p;
    }
}

QString Apply::statusName(Status status)
{
    switch (status) {
    case Status::Ok:
        return QStringLiteral("ok");
    case Status::Changed:
        return QStringLiteral("changed");
    case Status::Failed:
        return QStringLiteral("failed");
    case Status::Skipped:
        break;
    }
    return QStringLiteral("skipped");
}

void Apply::run()
{
    m_options.parallel = qMax(1, m_options.parallel);
    startQuickSteps();
}

void Apply::stop(int exitCode)
{
    if (m_stopCode >= 0)
        return;
    m_stopCode = exitCode;
    std::fprintf(stderr, "stopping: no new step starts; waiting for those under way\n");
    if (m_running == 0)
        end();
}

void Apply::startQuickSteps()
{
    while (m_running < m_options.parallel && m_nextQuick < m_printers.size() && m_stopCode < 0)
        runQuickChain(m_nextQuick++);
    if (m_running == 0 && (m_nextQuick >= m_printers.size() || m_stopCode >= 0)) {
        // Clock and whitelist are done everywhere: the firmware, one at a time.
        for (int i = 0; i < m_printers.size(); ++i)
            if (m_printers.at(i).pending.value(0) == Firmware)
                m_firmwareQueue << i;
        nextFirmware();
    }
}

// One printer's clock and whitelist, one after the other.
void Apply::runQuickChain(int index)
{
    Printer &p = m_printers[index];
    const QString step = p.pending.value(0);
    if (step.isEmpty() || step == Firmware || m_stopCode >= 0)
        return;
    p.pending.removeFirst();
    Job *job = makeJob(p, step);
    job->setParent(this);
    ++m_running;
    connect(job, &Job::finished, this, [this, index, step, job](const Result &result) {
        job->deleteLater();
        --m_running;
        stepEnded(index, step, job, result);
        if (!m_printers.at(index).failed && m_stopCode < 0 && m_printers.at(index).pending.value(0) != Firmware
            && !m_printers.at(index).pending.isEmpty()) {
            runQuickChain(index);
            return;
        }
        if (m_stopCode >= 0 && m_running == 0) {
            end();
            return;
        }
        startQuickSteps();
    });
    job->start();
}

void Apply::nextFirmware()
{
    if (m_stopCode >= 0 || m_firmwareQueue.isEmpty()) {
        for (int index : qAsConst(m_firmwareQueue))
            skipRest(index, QStringLiteral("stopped"));
        m_firmwareQueue.clear();
        end();
        return;
    }
    const int index = m_firmwareQueue.takeFirst();
    Printer &p = m_printers[index];
    QString why;
    if (p.failed)
        why = QStringLiteral("an earlier step of this printer failed");
    else if (m_canaryFailed)
        why = QStringLiteral("a canary's firmware step failed");
    else if (failedPrinters() >= m_options.maxFail)
        why = QStringLiteral("%1 printer(s) failed (--max-fail %2)").arg(failedPrinters()).arg(m_options.maxFail);
    if (!why.isEmpty()) {
        skipRest(index, why);
        nextFirmware();
        return;
    }
    p.pending.removeFirst();
    Job *job = makeJob(p, Firmware);
    job->setParent(this);
    ++m_running;
    const bool canary = m_firmwareDone < m_options.canary;
    connect(job, &Job::finished, this, [this, index, job, canary](const Result &result) {
        job->deleteLater();
        --m_running;
        ++m_firmwareDone;
        stepEnded(index, Firmware, job, result);
        if (canary && m_printers.at(index).failed)
            m_canaryFailed = true;
        nextFirmware();
    });
    job->start();
}

Job *Apply::makeJob(const Printer &p, const QString &step)
{
    const QString &address = p.host.address;
    if (step == Clock) {
        if (m_options.check)
            return new WouldJob(address, QStringLiteral("would set the clock"));
        auto *job = new RequestJob(address, Ops::clock(address, QDateTime::currentDateTime()), Ops::judgeClock);
        job->setAuditOperation(Clock);
        return job;
    }
    if (step == WhitelistStep) {
        auto *job
            = new WhitelistJob(address, WhitelistJob::Mode::Set, m_whitelists.value(p.host.whitelist), m_options.check);
        job->setForce(m_options.force);
        return job;
    }
    RolloutJob::Target t;
    t.address = address;
    t.mask = p.host.mask;
    t.gateway = p.host.gateway;
    t.factoryAddress = p.host.factoryAddress;
    t.version = p.host.firmwareVersion;
    t.image = p.host.firmwareImage;
    t.waitSeconds = p.host.firmwareWait;
    return new RolloutJob(t, m_options.check);
}

void Apply::stepEnded(int index, const QString &step, Job *job, const Result &result)
{
    QJsonObject extra;
    Status status = result.ok() ? Status::Changed : Status::Failed;
    QString reason = result.ok() ? QString() : result.describe();
    if (step == WhitelistStep) {
        auto *w = static_cast<WhitelistJob *>(job);
        if (result.ok() && result.value == QLatin1String("unchanged"))
            status = Status::Ok;
        if (result.ok() && m_options.check)
            reason = result.value;
        if (w->uncertain() && !result.ok())
            reason += QStringLiteral(" (the printer may hold either list: apply again)");
        if (m_options.diff) {
            extra.insert(QStringLiteral("added"), QJsonArray::fromStringList(w->added()));
            extra.insert(QStringLiteral("removed"), QJsonArray::fromStringList(w->removed()));
        }
    } else if (step == Firmware) {
        auto *r = static_cast<RolloutJob *>(job);
        if (result.ok() && !r->changed())
            status = Status::Ok;
        if (!r->from().isEmpty())
            extra.insert(QStringLiteral("from"), r->from());
        extra.insert(QStringLiteral("to"), r->to());
        if (result.ok())
            reason = result.value;
    } else if (m_options.check && result.ok()) {
        reason = result.value;
    }
    if (status == Status::Failed)
        m_printers[index].failed = true;
    report(index, step, status, reason, extra, job->elapsedMs());
    if (!job->auditError().isEmpty())
        std::fprintf(stderr, "%s: audit log: %s\n", qPrintable(job->printer()), qPrintable(job->auditError()));
    if (status == Status::Failed)
        skipRest(index, QStringLiteral("an earlier step of this printer failed"));
}

void Apply::skipRest(int index, const QString &reason)
{
    Printer &p = m_printers[index];
    const QStringList rest = p.pending;
    p.pending.clear();
    for (const QString &step : rest)
        report(index, step, Status::Skipped, reason, QJsonObject(), 0);
}

void Apply::report(int index, const QString &step, Status status, const QString &reason, const QJsonObject &extra,
                   qint64 ms)
{
    Printer &p = m_printers[index];
    ++p.counts[int(status)];
    if (m_options.json) {
        QJsonObject o;
        o.insert(QStringLiteral("printer"), p.host.address);
        o.insert(QStringLiteral("name"), p.host.name);
        o.insert(QStringLiteral("step"), step);
        o.insert(QStringLiteral("status"), statusName(status));
        o.insert(QStringLiteral("reason"), reason.isEmpty() ? QJsonValue() : QJsonValue(reason));
        o.insert(QStringLiteral("from"),
                 extra.value(QStringLiteral("from")).isUndefined() ? QJsonValue()
                                                                   : extra.value(QStringLiteral("from")));
        o.insert(QStringLiteral("to"),
                 extra.value(QStringLiteral("to")).isUndefined() ? QJsonValue() : extra.value(QStringLiteral("to")));
        o.insert(QStringLiteral("ms"), ms);
        for (auto it = extra.begin(); it != extra.end(); ++it)
            if (it.key() != QLatin1String("from") && it.key() != QLatin1String("to"))
                o.insert(it.key(), it.value());
        out(QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n');
        return;
    }
    if (m_options.quiet && status != Status::Failed)
        return;
    QString line = QStringLiteral("%1 (%2)\t%3\t%4").arg(p.host.name, p.host.address, step, statusName(status));
    if (!reason.isEmpty())
        line += QStringLiteral("\t") + reason;
    if (m_options.diff) {
        const QString from = extra.value(QStringLiteral("from")).toString();
        if (step == Firmware && !from.isEmpty() && from != extra.value(QStringLiteral("to")).toString())
            line += QStringLiteral("\n  firmware %1 -> %2").arg(from, extra.value(QStringLiteral("to")).toString());
        for (const QJsonValue &a : extra.value(QStringLiteral("added")).toArray())
            line += QStringLiteral("\n  + ") + a.toString();
        for (const QJsonValue &r : extra.value(QStringLiteral("removed")).toArray())
            line += QStringLiteral("\n  - ") + r.toString();
    }
    out((line + QLatin1Char('\n')).toUtf8());
}

int Apply::failedPrinters() const
{
    int n = 0;
    for (const Printer &p : m_printers)
        n += p.failed ? 1 : 0;
    return n;
}

void Apply::end()
{
    if (m_ended)
        return;
    m_ended = true;
    // Whatever a stop left unstarted is said, not dropped.
    for (int i = 0; i < m_printers.size(); ++i)
        if (!m_printers.at(i).pending.isEmpty())
            skipRest(i, QStringLiteral("stopped"));
    if (!m_options.json) {
        out("\nRECAP\n");
        int width = 0;
        for (const Printer &p : qAsConst(m_printers))
            width = qMax(width, p.host.name.size() + p.host.address.size() + 3);
        for (const Printer &p : qAsConst(m_printers)) {
            const QString who = QStringLiteral("%1 (%2)").arg(p.host.name, p.host.address);
            out(QStringLiteral("%1 : ok=%2 changed=%3 failed=%4 skipped=%5\n")
                    .arg(who, -width)
                    .arg(p.counts[0])
                    .arg(p.counts[1])
                    .arg(p.counts[2])
                    .arg(p.counts[3])
                    .toUtf8());
        }
    }
    emit finished(m_stopCode >= 0 ? m_stopCode : (failedPrinters() > 0 ? 1 : 0));
}
