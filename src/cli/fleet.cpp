#include "cli/fleet.h"

#include "core/auditlog.h"
#include "core/job.h"

#include <QJsonDocument>
#include <cstdio>

namespace {
void out(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

void err(const QString &line)
{
    std::fprintf(stderr, "%s", qPrintable(line));
    std::fflush(stderr);
}
} // namespace

Fleet::Fleet(const Options &options, MakeJob make, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_make(std::move(make))
{
    if (m_options.parallel < 1)
        m_options.parallel = 1;
}

void Fleet::run(const QStringList &printers)
{
    m_printers = printers;
    if (m_printers.isEmpty()) {
        emit finished(0);
        return;
    }
    drawProgress();
    for (int i = 0; i < m_options.parallel; ++i)
        startNext();
}

void Fleet::startNext()
{
    if (m_next >= m_printers.size())
        return;
    Job *job = m_make(m_printers.at(m_next++));
    job->setParent(this);
    ++m_running;
    connect(job, &Job::finished, this, [this, job](const Result &result) {
        report(job, result);
        job->deleteLater();
        --m_running;
        ++m_done;
        drawProgress();
        if (m_done == m_printers.size()) {
            if (m_options.progress)
                err(QStringLiteral("\r\033[K"));
            if (!m_options.quiet)
                err(QStringLiteral("%1 %2: %3 ok, %4 failed\n")
                        .arg(m_reported)
                        .arg(m_reported == 1 ? "printer" : "printers")
                        .arg(m_reported - m_failed)
                        .arg(m_failed));
            emit finished(m_failed > 0 ? 1 : 0);
            return;
        }
        startNext();
    });
    job->start();
}

void Fleet::report(Job *job, const Result &result)
{
    if (m_filter && !m_filter(result))
        return;
    ++m_reported;
    if (!result.ok())
        ++m_failed;
    QJsonObject report;
    report.insert(QStringLiteral("printer"), job->printer());
    report.insert(QStringLiteral("operation"), m_options.operation);
    report.insert(QStringLiteral("ok"), result.ok());
    report.insert(QStringLiteral("status"), result.status);
    if (result.ok())
        report.insert(QStringLiteral("value"), result.value);
    else
        report.insert(QStringLiteral("reason"), result.describe());
    report.insert(QStringLiteral("milliseconds"), job->elapsedMs());
    QString text = result.ok() ? result.value : result.describe();
    if (m_describe)
        m_describe(job, result, &report, &text);

    const bool sent = result.kind != Result::Kind::NotSent;
    if (m_options.audit && sent && (!m_auditIf || m_auditIf(job, result))) {
        const QString detail = m_auditDetail ? m_auditDetail(job, result) : result.describe();
        const QString why = AuditLog::append(job->printer(), m_options.operation, result, detail);
        if (!why.isEmpty())
            err(QStringLiteral("%1: audit log: %2\n").arg(job->printer(), why));
    }
    if (m_options.progress)
        err(QStringLiteral("\r\033[K"));
    if (m_options.json) {
        out(QJsonDocument(report).toJson(QJsonDocument::Compact) + '\n');
    } else if (!m_options.quiet || !result.ok() || !m_options.audit) {
        // Quiet lists a change's failures only; a reading's values are its point.
        out(QStringLiteral("%1\t%2\t%3\n")
                .arg(job->printer(), result.ok() ? QStringLiteral("ok") : QStringLiteral("FAILED"), text)
                .toUtf8());
    }
}

void Fleet::drawProgress()
{
    if (!m_options.progress || m_done >= m_printers.size())
        return;
    const int width = 30;
    const int filled = int(qint64(width) * m_done / m_printers.size());
    err(QStringLiteral("\r[%1%2] %3/%4, %5 failed")
            .arg(QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char('.')))
            .arg(m_done)
            .arg(m_printers.size())
            .arg(m_failed));
}
