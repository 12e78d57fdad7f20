#include "core/job.h"

#include "core/operations.h"
#include "net/httpservices.h"

#include <QTimer>

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

void Job::finish(const Result &result)
{
    if (m_done)
        return;
    m_done = true;
    emit finished(result);
}

void Job::send(Request request, std::function<Result(int, const QString &)> judge,
               std::function<void(const Result &)> then)
{
    auto *service = new HttpServices;
    connect(service, &HttpServices::http_finished, this,
            [judge, then](int status, int, const QString &body, const QString &) { then(judge(status, body)); });
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
}

void NetworkJob::run()
{
    Prepared setIP = Ops::setIP(printer(), m_ip, m_mask, m_gateway);
    if (!setIP.ready()) {
        finish(setIP.refusal);
        return;
    }
    auto stage = std::make_shared<bool>(false); // whether setIP wanted a probe
    send(
        std::move(setIP.request),
        [stage](int status, const QString &body) {
            *stage = Ops::needsProbe(status, body);
            return Ops::judgeSetIP(status, body);
        },
        [this, stage](const Result &r) {
            if (!*stage) {
                finish(r);
                return;
            }
            send(std::move(Ops::probe(m_ip).request), Ops::judgeProbe, [this](const Result &p) { finish(p); });
        });
}
