#ifndef JOB_H
#define JOB_H

#include "core/request.h"
#include "core/result.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <functional>

// One operation on one printer, run to its typed result: for callers that
// run many at once (the command line). finished() comes exactly once, and
// always from the event loop, never from within start().
class Job : public QObject
{
    Q_OBJECT

public:
    explicit Job(const QString &printer, QObject *parent = nullptr);

    QString printer() const { return m_printer; }
    qint64 elapsedMs() const { return m_clock.elapsed(); }
    void start();

signals:
    void finished(const Result &result);

protected:
    virtual void run() = 0;
    void finish(const Result &result);
    // Sends `request`; `judge` turns the completion record into the result
    // handed to `then`.
    void send(Request request, std::function<Result(int, const QString &)> judge,
              std::function<void(const Result &)> then);

private:
    QString m_printer;
    QElapsedTimer m_clock;
    bool m_done = false;
};

// A single request and its judgement.
class RequestJob : public Job
{
    Q_OBJECT

public:
    using Judge = std::function<Result(int, const QString &)>;
    RequestJob(const QString &printer, Prepared prepared, Judge judge, QObject *parent = nullptr);

protected:
    void run() override;

private:
    Prepared m_prepared;
    Judge m_judge;
};

// setIP and, when it was delivered but not answered, the probe of the new
// address.
class NetworkJob : public Job
{
    Q_OBJECT

public:
    NetworkJob(const QString &printer, const QString &ip, const QString &mask, const QString &gateway,
               QObject *parent = nullptr);

protected:
    void run() override;

private:
    QString m_ip;
    QString m_mask;
    QString m_gateway;
};

#endif // JOB_H
