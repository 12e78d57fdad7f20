#include "core/rolloutjob.h"

#include "core/networkrules.h"
#include "core/operations.h"

#include <QTimer>

int RolloutJob::searchIntervalMs = 2000;

namespace {
// A printer that is restarting refuses or ignores connections: ask briefly.
const int LookConnectMs = 1000;
const int LookAnswerMs = 3000;
// The printer moves before it can answer setIP: no use waiting the
// change's full 30 s for an answer that never comes.
const int MoveAnswerMs = 5000;
} // namespace

RolloutJob::RolloutJob(const Target &target, bool checkOnly, QObject *parent)
    : Job(target.address, parent)
    , m_target(target)
    , m_check(checkOnly)
{
}

QString RolloutJob::refusal(const Target &t)
{
    if (t.mask.isEmpty() || t.gateway.isEmpty())
        return QStringLiteral("no mask and gateway in the inventory: after the update the printer could not be "
                              "brought back from its factory address");
    if (t.factoryAddress.isEmpty())
        return QStringLiteral("no factory_address in the inventory: after the update the printer could not be "
                              "found again");
    const int step = NetworkRules::firstFailingStep(t.factoryAddress, t.address, t.mask, t.gateway);
    if (step != 0)
        return QStringLiteral("its network in the inventory fails rule %1 (%2): it could not be brought back")
            .arg(step)
            .arg(QString::fromUtf8(NetworkRules::text(step)));
    return QString();
}

template<class J> void RolloutJob::runChild(J *child, std::function<void(J *, const Result &)> then)
{
    child->setParent(this);
    connect(child, &Job::finished, this, [child, then](const Result &r) {
        child->deleteLater();
        then(child, r);
    });
    child->start();
}

void RolloutJob::run()
{
    const QString why = refusal(m_target);
    if (!why.isEmpty()) {
        finish(Result::notSent(why));
        return;
    }
    lookAt(m_target.address, false, [this](const Result &r) {
        if (!r.ok()) {
            Result failed = r;
            failed.reason = QStringLiteral("cannot read its version: ") + r.describe();
            finish(failed);
            return;
        }
        m_from = r.value;
        if (m_from == m_target.version) {
            finish(Result::success(QStringLiteral("runs %1").arg(m_from)));
            return;
        }
        m_changed = true;
        if (m_check) {
            finish(Result::success(QStringLiteral("would update %1 -> %2").arg(m_from, m_target.version)));
            return;
        }
        upload();
    });
}

void RolloutJob::lookAt(const QString &address, bool brief, std::function<void(const Result &)> then)
{
    Prepared version = Ops::version(address);
    if (!version.ready()) {
        then(version.refusal);
        return;
    }
    if (brief) {
        version.request.connectTimeoutMs = LookConnectMs;
        version.request.timeoutMs = LookAnswerMs;
    }
    send(std::move(version.request), Ops::judgeVersion, then);
}

void RolloutJob::upload()
{
    auto *job = new FirmwareJob(m_target.address, m_target.image, false);
    job->setVersionBefore(m_from);
    runChild<FirmwareJob>(job, [this](FirmwareJob *, const Result &r) {
        // Answered, or the whole image went out and the printer fell silent
        // (it restarts): either way it is to be found again.
        if (!r.ok() && !(r.kind == Result::Kind::NoAnswer && r.delivered)) {
            Result failed = r;
            failed.reason = QStringLiteral("image not taken: ") + r.describe();
            finish(failed);
            return;
        }
        m_deadline = QDeadlineTimer(qint64(m_target.waitSeconds) * 1000);
        // It answers the upload before it restarts: give it the time to go.
        QTimer::singleShot(searchIntervalMs, this, [this] { search(); });
    });
}

// Its own address with the new version ends the search; the factory
// address answering means it must be brought back first.
void RolloutJob::search()
{
    lookAt(m_target.address, true, [this](const Result &own) {
        if (own.ok()) {
            m_lastSeen = own.value;
            if (own.value == m_target.version) {
                finish(Result::success(
                    QStringLiteral("updated %1 -> %2%3")
                        .arg(m_from, m_target.version,
                             m_broughtBack ? QStringLiteral(", brought back from %1").arg(m_target.factoryAddress)
                                           : QString())));
                return;
            }
        }
        if (m_broughtBack) {
            if (own.ok()) {
                // Back at its address, but not on the new version.
                Result wrong = own;
                wrong.kind = Result::Kind::Refused;
                wrong.reason = QStringLiteral("runs %1 after the update, not %2").arg(own.value, m_target.version);
                finish(wrong);
                return;
            }
            if (m_deadline.hasExpired()) {
                giveUp();
                return;
            }
            QTimer::singleShot(searchIntervalMs, this, [this] { search(); });
            return;
        }
        lookAt(m_target.factoryAddress, true, [this](const Result &factory) {
            if (factory.ok()) {
                bringBack();
                return;
            }
            if (m_deadline.hasExpired()) {
                giveUp();
                return;
            }
            QTimer::singleShot(searchIntervalMs, this, [this] { search(); });
        });
    });
}

void RolloutJob::bringBack()
{
    auto *job = new NetworkJob(m_target.factoryAddress, m_target.address, m_target.mask, m_target.gateway);
    job->setAnswerWait(MoveAnswerMs);
    runChild<NetworkJob>(job, [this](NetworkJob *network, const Result &r) {
        // The printer said no to its own configuration: it stays where it is.
        if (r.kind == Result::Kind::Refused && !network->probed()) {
            Result failed = r;
            failed.reason = QStringLiteral("at its factory address %1 it refused its network: %2")
                                .arg(m_target.factoryAddress, r.describe());
            finish(failed);
            return;
        }
        m_broughtBack = true;
        search();
    });
}

void RolloutJob::giveUp()
{
    Result r;
    r.kind = Result::Kind::NoAnswer;
    r.delivered = true;
    r.reason = m_broughtBack
        ? QStringLiteral("sent its network at %1, but it did not answer at %2 within %3 s")
              .arg(m_target.factoryAddress, m_target.address)
              .arg(m_target.waitSeconds)
        : QStringLiteral("not found at %1 or %2 within %3 s of the upload%4")
              .arg(m_target.address, m_target.factoryAddress)
              .arg(m_target.waitSeconds)
              .arg(m_lastSeen.isEmpty() ? QString() : QStringLiteral(" (last seen running %1)").arg(m_lastSeen));
    finish(r);
}
