#ifndef JOB_H
#define JOB_H

#include "core/request.h"
#include "core/result.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

// One operation on one printer, run to its typed result: the one flow the
// window and the command line both run. A change names its operation and is
// written to the audit log here, once, when it ends; finished() comes
// exactly once, always from the event loop, never from within start().
class Job : public QObject
{
    Q_OBJECT

public:
    explicit Job(const QString &printer, QObject *parent = nullptr);

    QString printer() const { return m_printer; }
    qint64 elapsedMs() const { return m_clock.isValid() ? m_clock.elapsed() : 0; }
    const Result &result() const { return m_result; }
    bool isFinished() const { return m_done; }

    // A change is audited under this name once it has sent something; a
    // reading names none.
    void setAuditOperation(const QString &operation) { m_auditOperation = operation; }
    QString auditOperation() const { return m_auditOperation; }
    // Why the audit line could not be written (empty when it was, or none
    // was due).
    QString auditError() const { return m_auditError; }
    // Whether anything went to the printer.
    bool sent() const { return m_sent; }

    void start();

signals:
    void finished(const Result &result);
    // The last completion record, once everything the job does with it
    // (store, audit) is done: what the window's reply slots take.
    void answered(int status_code, int user_type, QString strReply, QString sjobId);
    void uploadProgress(qint64 sent, qint64 total);

protected:
    virtual void run() = 0;
    // The operation's own fields of its audit line.
    virtual QJsonObject auditFields() const { return QJsonObject(); }
    virtual void emitAnswer(int status, const QString &body);
    void finish(const Result &result);
    // Sends `request`; `judge` turns the completion record into the result
    // handed to `then`.
    void send(Request request, std::function<Result(int, const QString &)> judge,
              std::function<void(const Result &)> then);

private:
    QString m_printer;
    QString m_auditOperation;
    QString m_auditError;
    QElapsedTimer m_clock;
    Result m_result;
    int m_lastStatus = 0;
    QString m_lastBody;
    bool m_sent = false;
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
// address. The probe's answer comes as probeAnswered instead of answered.
class NetworkJob : public Job
{
    Q_OBJECT

public:
    NetworkJob(const QString &printer, const QString &ip, const QString &mask, const QString &gateway,
               QObject *parent = nullptr);
    // Where to probe, asked when setIP has timed out: the window's field as
    // it reads then. By default the new address.
    void setProbeAddress(std::function<QString()> address) { m_probeAddress = std::move(address); }
    // How long setIP waits for its answer (a printer that moves before it
    // answers never sends one); by default the change's usual wait.
    void setAnswerWait(int ms) { m_answerWaitMs = ms; }
    bool probed() const { return m_probed; }

signals:
    void probeAnswered(int status_code, int user_type, QString strReply, QString sjobId);

protected:
    void run() override;
    QJsonObject auditFields() const override;
    void emitAnswer(int status, const QString &body) override;

private:
    QString m_ip;
    QString m_mask;
    QString m_gateway;
    std::function<QString()> m_probeAddress;
    int m_answerWaitMs = 0;
    bool m_probed = false;
};

// A firmware image to one printer: optionally the version it runs first,
// then the upload, the image's name, size and SHA-256 in the audit line.
class FirmwareJob : public Job
{
    Q_OBJECT

public:
    FirmwareJob(const QString &printer, const QString &path, bool readVersionFirst, QObject *parent = nullptr);
    QString versionBefore() const { return m_versionBefore; }
    // Known already (a roll-out read it): goes into the audit line.
    void setVersionBefore(const QString &version) { m_versionBefore = version; }

protected:
    void run() override;
    QJsonObject auditFields() const override;

private:
    void upload();
    void digestSome();

    QString m_path;
    std::unique_ptr<QFile> m_digest;
    std::unique_ptr<QCryptographicHash> m_hash;
    bool m_hashed = false;
    bool m_answered = false;
    Result m_answer;
    bool m_readVersion;
    QString m_versionBefore;
    qint64 m_size = -1;
    QByteArray m_sha256;
};

#endif // JOB_H
