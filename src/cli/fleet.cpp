#include "cli/fleet.h"

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

void describeResult(const Result &result, QJsonObject *report)
{
    report->insert(QStringLiteral("ok"), result.ok());
    report->insert(QStringLiteral("outcome"), result.kindName());
    // A time-out or a refused connection has no HTTP status to report.
    report->insert(QStringLiteral("status"), result.status != 0 ? QJsonValue(result.status) : QJsonValue());
    if (result.ok())
        report->insert(QStringLiteral("value"), result.value);
    else
        report->insert(QStringLiteral("reason"), result.describe());
}

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

void Fleet::stop(int exitCode)
{
    if (m_stopCode >= 0)
        return;
    m_stopCode = exitCode;
    if (m_options.progress)
        err(QStringLiteral("\r\033[K"));
    if (m_running > 0)
        err(QStringLiteral("stopping: waiting for %1 printer(s) under way\n").arg(m_running));
    if (m_running == 0)
        end();
}

void Fleet::startNext()
{
    if (m_next >= m_printers.size() || m_stopCode >= 0)
        return;
    Job *job = m_make(m_printers.at(m_next));
    m_indexOf.insert(job, m_next++);
    job->setParent(this);
    ++m_running;
    connect(job, &Job::finished, this, [this, job](const Result &result) {
        report(job, result);
        job->deleteLater();
        --m_running;
        ++m_done;
        drawProgress();
        if (m_done == m_printers.size() || (m_stopCode >= 0 && m_running == 0)) {
            end();
            return;
        }
        startNext();
    });
    job->start();
}

void Fleet::deliver(const Job *job, const QByteArray &line)
{
    const int index = m_indexOf.take(job);
    if (!m_options.ordered) {
        if (!line.isEmpty())
            out(line);
        return;
    }
    m_held.insert(index, line);
    for (auto it = m_held.begin(); it != m_held.end() && it.key() == m_nextOut; it = m_held.erase(it), ++m_nextOut)
        if (!it.value().isEmpty())
            out(it.value());
}

void Fleet::end()
{
    if (m_options.progress)
        err(QStringLiteral("\r\033[K"));
    if (!m_options.quiet) {
        QString line = QStringLiteral("%1 %2: %3 ok, %4 failed")
                           .arg(m_reported)
                           .arg(m_reported == 1 ? "printer" : "printers")
                           .arg(m_reported - m_failed)
                           .arg(m_failed);
        if (m_stopCode >= 0 && m_done < m_printers.size())
            line += QStringLiteral(", %1 not started (stopped)").arg(m_printers.size() - m_done);
        err(line + QLatin1Char('\n'));
    }
    emit finished(m_stopCode >= 0 ? m_stopCode : (m_failed > 0 ? 1 : 0));
}

void Fleet::report(Job *job, const Result &result)
{
    if (m_filter && !m_filter(result)) {
        deliver(job, QByteArray());
        return;
    }
    ++m_reported;
    if (!result.ok())
        ++m_failed;
    const QString name = m_names.value(job->printer());
    QJsonObject report;
    report.insert(QStringLiteral("printer"), job->printer());
    if (!name.isEmpty())
        report.insert(QStringLiteral("name"), name);
    report.insert(QStringLiteral("operation"), m_options.operation);
    describeResult(result, &report);
    report.insert(QStringLiteral("milliseconds"), job->elapsedMs());
    QString text = result.ok() ? result.value : result.describe();
    if (m_describe)
        m_describe(job, result, &report, &text);
    if (!job->auditError().isEmpty())
        err(QStringLiteral("%1: audit log: %2\n").arg(job->printer(), job->auditError()));
    emit ended(job, result);
    if (m_options.collect) {
        deliver(job, QByteArray());
        return;
    }

    if (m_options.progress)
        err(QStringLiteral("\r\033[K"));
    QByteArray line;
    if (m_options.json) {
        line = QJsonDocument(report).toJson(QJsonDocument::Compact) + '\n';
    } else if (!m_options.quiet || !result.ok() || !m_options.changes) {
        // Quiet lists a change's failures only; a reading's values are its point.
        const QString who = name.isEmpty() ? job->printer() : QStringLiteral("%1 (%2)").arg(name, job->printer());
        line = QStringLiteral("%1\t%2\t%3\n")
                   .arg(who, result.ok() ? QStringLiteral("ok") : QStringLiteral("FAILED"), text)
                   .toUtf8();
    }
    deliver(job, line);
}

void Fleet::drawProgress()
{
    if (!m_options.progress || m_done >= m_printers.size() || m_stopCode >= 0)
        return;
    const int width = 30;
    const int filled = int(qint64(width) * m_done / m_printers.size());
    err(QStringLiteral("\r[%1%2] %3/%4, %5 failed")
            .arg(QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char('.')))
            .arg(m_done)
            .arg(m_printers.size())
            .arg(m_failed));
}
