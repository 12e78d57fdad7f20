#ifndef APPLY_H
#define APPLY_H

#include "core/inventory.h"
#include "core/result.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QStringList>

class Job;

// Converges printers to what their inventory entries ask for, in this
// order: the clock, the whitelist, the firmware. Clock and whitelist run
// for a bounded number of printers at once; firmware one printer at a time
// (they share one factory address), canaries first, and no new upload once
// --max-fail printers have failed. Each step ends as ok (already so),
// changed, failed or skipped; a printer's later steps are skipped once one
// has failed.
class Apply : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        bool check = false;
        bool diff = false;
        bool force = false;
        bool json = false;
        bool quiet = false;
        bool progress = false;
        int parallel = 16;
        int canary = 0;
        int maxFail = 1;
    };
    enum class Status { Ok, Changed, Failed, Skipped };

    // `whitelists`: each whitelist file's addresses, read beforehand.
    Apply(const Options &options, const QList<InventoryHost> &hosts, const QHash<QString, QStringList> &whitelists,
          QObject *parent = nullptr);

    void run();
    // No new step starts; finished() once those under way have ended.
    void stop(int exitCode);

    static QString statusName(Status status);

signals:
    void finished(int exitCode);

private:
    struct Printer
    {
        InventoryHost host;
        QStringList pending; // its steps still to run, in order
        bool failed = false;
        int counts[4] = {0, 0, 0, 0};
    };

    void startQuickSteps();
    void runQuickChain(int index);
    void nextFirmware();
    Job *makeJob(const Printer &printer, const QString &step);
    void stepEnded(int index, const QString &step, Job *job, const Result &result);
    void report(int index, const QString &step, Status status, const QString &reason, const QJsonObject &extra,
                qint64 ms);
    void skipRest(int index, const QString &reason);
    int failedPrinters() const;
    void end();

    Options m_options;
    QList<Printer> m_printers;
    QHash<QString, QStringList> m_whitelists;
    int m_nextQuick = 0;
    int m_running = 0;
    QList<int> m_firmwareQueue;
    int m_firmwareDone = 0;
    bool m_canaryFailed = false;
    int m_stopCode = -1;
    bool m_ended = false;
};

#endif // APPLY_H
