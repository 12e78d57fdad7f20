#ifndef FLEET_H
#define FLEET_H

#include "core/result.h"

#include <QHash>
#include <QMap>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <functional>

class Job;

// Runs one operation over many printers, a bounded number at once, on the
// one event loop: a line (or a JSON object) per printer as each ends, a
// progress bar on a terminal, a summary at the end. Stopped (a signal), it
// starts no further printer and ends once those under way have.
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
        bool changes = false; // the operation changes printers: quiet lists failures only
        bool collect = false; // no line per printer: whoever listens to ended() reports
        // Lines in the order the printers were given, each as soon as those
        // before it are out (a scan's list reads in address order).
        bool ordered = false;
    };
    using MakeJob = std::function<Job *(const QString &printer)>;
    // Extra fields of a printer's report (a whitelist's diff, say).
    using Describe = std::function<void(Job *job, const Result &result, QJsonObject *report, QString *text)>;

    Fleet(const Options &options, MakeJob make, QObject *parent = nullptr);
    void setDescribe(Describe describe) { m_describe = std::move(describe); }
    // Which results count in the summary and exit status as a printer that
    // answered (scan leaves silent addresses out).
    void setReportFilter(std::function<bool(const Result &)> filter) { m_filter = std::move(filter); }
    // Inventory names of the printers, reported beside their addresses.
    void setNames(const QHash<QString, QString> &names) { m_names = names; }

    void run(const QStringList &printers);
    // No printer starts from now on; finished() comes once the running
    // ones have ended, with `exitCode`.
    void stop(int exitCode);
    int failures() const { return m_failed; }

signals:
    // One printer's job has ended (the job is deleted after this).
    void ended(Job *job, const Result &result);
    void finished(int exitCode);

private:
    void startNext();
    void report(Job *job, const Result &result);
    void deliver(const Job *job, const QByteArray &line);
    void drawProgress();
    void end();

    Options m_options;
    MakeJob m_make;
    Describe m_describe;
    std::function<bool(const Result &)> m_filter;
    QHash<QString, QString> m_names;
    QHash<const Job *, int> m_indexOf;
    QMap<int, QByteArray> m_held; // ordered lines waiting for earlier ones
    int m_nextOut = 0;
    QStringList m_printers;
    int m_next = 0;
    int m_running = 0;
    int m_done = 0;
    int m_failed = 0;
    int m_reported = 0;
    int m_stopCode = -1;
};

// A result as a report's fields: ok, outcome, status (null without an HTTP
// status), value or reason.
void describeResult(const Result &result, QJsonObject *report);

#endif // FLEET_H
