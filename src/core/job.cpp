#include "core/job.h"

#include "core/auditlog.h"
#include "core/operations.h"
#include "net/httpservices.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QtDebug>
#include <memory>

Job::Job(const QString &printer, QObject *parent)
    : QObject(parent)
    , m_printer(printer)
{
}

void Job::start()
{
    m_clock.start();
    // From the event loop, so a job refused at once still reports later.
    QTimer::singleShot(0, this, [this] { run(); });
}

void Job::emitAnswer(int status, const QString &body)
{
    emit answered(status, 1, body, QString());
}

void Job::finish(const Result &result)
{
    if (m_done)
        return;
    m_done = true;
    m_result = result;
    if (!m_auditOperation.isEmpty() && m_sent) {
        m_auditError = AuditLog::append(m_printer, m_auditOperation, result, auditFields());
        if (!m_auditError.isEmpty())
            qWarning("audit log: %s", qPrintable(m_auditError));
    }
    emitAnswer(m_lastStatus, m_lastBody);
    emit finished(result);
}

void Job::send(Request request, std::function<Result(int, const QString &)> judge,
               std::function<void(const Result &)> then)
{
    // The job's: a job given up (its window closed, say) takes its request
    // and the connection with it rather than leave them to the end of the run.
    auto *service = new HttpServices(this);
    connect(service, &HttpServices::uploadProgress, this, &Job::uploadProgress);
    connect(service, &HttpServices::http_finished, this,
            [this, judge, then](int status, int, const QString &body, const QString &) {
                m_lastStatus = status;
                m_lastBody = body;
                then(judge(status, body));
            });
    m_sent = true;
    request.sendWith(service);
}

RequestJob::RequestJob(const QString &printer, Prepared prepared, Judge judge, QObject *parent)
    : Job(printer, parent)
    , m_prepared(std::move(prepared))
    , m_judge(std::move(judge))
{
}

void RequestJob::run()
{
    if (!m_prepared.ready()) {
        finish(m_prepared.refusal);
        return;
    }
    send(std::move(m_prepared.request), m_judge, [this](const Result &r) { finish(r); });
}

NetworkJob::NetworkJob(const QString &printer, const QString &ip, const QString &mask, const QString &gateway,
                       QObject *parent)
    : Job(printer, parent)
    , m_ip(ip)
    , m_mask(mask)
    , m_gateway(gateway)
{
    setAuditOperation(QStringLiteral("network"));
}

void NetworkJob::run()
{
    Prepared setIP = Ops::setIP(printer(), m_ip, m_mask, m_gateway);
    if (setIP.ready() && m_answerWaitMs > 0)
        setIP.request.timeoutMs = m_answerWaitMs;
    if (!setIP.ready()) {
        finish(setIP.refusal);
        return;
    }
    auto probe = std::make_shared<bool>(false); // whether setIP wanted a probe
    send(
        std::move(setIP.request),
        [probe](int status, const QString &body) {
            *probe = Ops::needsProbe(status, body);
            return Ops::judgeSetIP(status, body);
        },
        [this, probe](const Result &r) {
            if (!*probe) {
                finish(r);
                return;
            }
            m_probed = true;
            qDebug() << "status_code:" << r.status << "timeout";
            const QString where = m_probeAddress ? m_probeAddress() : m_ip;
            send(std::move(Ops::probe(where).request), Ops::judgeProbe, [this](const Result &p) { finish(p); });
        });
}

QJsonObject NetworkJob::auditFields() const
{
    return {
        {QStringLiteral("address"), m_ip}, {QStringLiteral("mask"), m_mask}, {QStringLiteral("gateway"), m_gateway}};
}

void NetworkJob::emitAnswer(int status, const QString &body)
{
    if (m_probed)
        emit probeAnswered(status, 1, body, QString());
    else
        Job::emitAnswer(status, body);
}

FirmwareJob::FirmwareJob(const QString &printer, const QString &path, bool readVersionFirst, QObject *parent)
    : Job(printer, parent)
    , m_path(path)
    , m_readVersion(readVersionFirst)
{
    setAuditOperation(QStringLiteral("firmware"));
}

void FirmwareJob::run()
{
    if (!m_readVersion) {
        upload();
        return;
    }
    Prepared version = Ops::version(printer());
    if (!version.ready()) {
        finish(version.refusal);
        return;
    }
    // Only for the record: a printer that does not say still gets the image.
    send(std::move(version.request), Ops::judgeVersion, [this](const Result &r) {
        if (r.ok())
            m_versionBefore = r.value;
        upload();
    });
}

void FirmwareJob::upload()
{
    Prepared upgrade = Ops::upgrade(printer(), m_path);
    if (!upgrade.ready()) {
        finish(upgrade.refusal);
        return;
    }
    // Digested alongside the upload, a few megabytes a turn of the event
    // loop, so neither waits for the other and a window stays responsive.
    m_digest.reset(new QFile(m_path));
    m_hash.reset(new QCryptographicHash(QCryptographicHash::Sha256));
    m_hashed = !m_digest->open(QIODevice::ReadOnly);
    if (!m_hashed)
        QTimer::singleShot(0, this, &FirmwareJob::digestSome);
    send(std::move(upgrade.request), Ops::judgeUpgrade, [this](const Result &r) {
        m_answer = r;
        m_answered = true;
        if (m_hashed)
            finish(m_answer);
    });
}

void FirmwareJob::digestSome()
{
    // Small pieces: the window answers between two, even under valgrind.
    const QByteArray piece = m_digest->read(512 << 10);
    m_hash->addData(piece);
    if (!piece.isEmpty() && !m_digest->atEnd()) {
        QTimer::singleShot(0, this, &FirmwareJob::digestSome);
        return;
    }
    m_size = m_digest->size();
    m_sha256 = m_hash->result().toHex();
    m_digest.reset();
    m_hashed = true;
    if (m_answered)
        finish(m_answer);
}

QJsonObject FirmwareJob::auditFields() const
{
    QJsonObject o;
    o.insert(QStringLiteral("file"), QFileInfo(m_path).fileName());
    if (m_size >= 0)
        o.insert(QStringLiteral("size"), m_size);
    if (!m_sha256.isEmpty())
        o.insert(QStringLiteral("sha256"), QString::fromLatin1(m_sha256));
    if (!m_versionBefore.isEmpty())
        o.insert(QStringLiteral("version_before"), m_versionBefore);
    return o;
}
