#ifndef FLEET_H
#define FLEET_H

#include "core/result.h"

#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <functional>

class Job;

// Runs one operation over many printers, a bounded number at once, on the
// one event loop: a line (or a JSON object) per printer as each ends, a
// progress bar on a terminal, a summary at the end.
class Fleet : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QString operation;
        int parallel = 16;
        bool json = false;
        bool quiet = false;
        bool progress = false; // stderr is a terminal
        bool audit = false; // the operation changes printers
    };
    using MakeJob = std::function<Job *(const QString &printer)>;
    // Extra fields of a printer's report (a whitelist's diff, say).
    using Describe = std::function<void(Job *job, const Result &result, QJsonObject *report, QString *text)>;

    Fleet(const Options &options, MakeJob make, QObject *parent = nullptr);
    void setDescribe(Describe describe) { m_describe = std::move(describe); }
    // Which results count in the summary and exit status as a printer that
    // answered (scan leaves silent addresses out).
    void setReportFilter(std::function<bool(const Result &)> filter) { m_filter = std::move(filter); }

    // Which ends of a changing operation go to the audit log; by default
    // every one that sent something.
    void setAuditFilter(std::function<bool(Job *, const Result &)> filter) { m_auditIf = std::move(filter); }
    // The audit line's detail; by default the result described.
    void setAuditDetail(std::function<QString(Job *, const Result &)> detail) { m_auditDetail = std::move(detail); }

    void run(const QStringList &printers);
    int failures() const { return m_failed; }

signals:
    void finished(int exitCode);

private:
    void startNext();
    void report(Job *job, const Result &result);
    void drawProgress();

    Options m_options;
    MakeJob m_make;
    Describe m_describe;
    std::function<bool(const Result &)> m_filter;
    std::function<bool(Job *, const Result &)> m_auditIf;
    std::function<QString(Job *, const Result &)> m_auditDetail;
    QStringList m_printers;
    int m_next = 0;
    int m_running = 0;
    int m_done = 0;
    int m_failed = 0;
    int m_reported = 0;
};

#endif // FLEET_H
