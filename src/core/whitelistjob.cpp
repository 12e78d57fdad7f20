#include "core/whitelistjob.h"

#include "core/auditlog.h"
#include "core/printeraddress.h"
#include "core/whitelistdatabase.h"

#include <QFileInfo>
#include <QJsonArray>

#include <unistd.h>

WhitelistJob::WhitelistJob(const QString &printer, Mode mode, const QStringList &addresses, bool checkOnly,
                           QObject *parent)
    : Job(printer, parent)
    , m_mode(mode)
    , m_addresses(Whitelist::normalized(addresses))
    , m_checkOnly(checkOnly)
{
    if (mode != Mode::Show && !checkOnly)
        setAuditOperation(QStringLiteral("whitelist"));
}

void WhitelistJob::expectStored(const QStringList &list)
{
    m_expecting = true;
    m_expected = Whitelist::normalized(list);
}

QString WhitelistJob::state() const
{
    if (m_uncertain)
        return QStringLiteral("uncertain");
    return m_hasStore ? QStringLiteral("recorded") : QStringLiteral("none");
}

Result WhitelistJob::refuse(Refusal why, const Result &result)
{
    m_refusal = why;
    m_lock.reset();
    return result;
}

Result WhitelistJob::prepare()
{
    if (m_prepared)
        return m_preparation;
    m_prepared = true;
    m_preparation = [this]() -> Result {
        if (!PrinterAddress::parse(printer()).isValid())
            return refuse(Refusal::BadAddress, Result::notSent(QStringLiteral("not a printer address: ") + printer()));
        if (m_mode != Mode::Show && !m_checkOnly) {
            m_lock.reset(new Whitelist::PrinterLock(printer()));
            QString why;
            switch (m_lock->acquire(&why)) {
            case Whitelist::PrinterLock::Outcome::Held:
                break;
            case Whitelist::PrinterLock::Outcome::Busy:
                return refuse(Refusal::Busy, Result::notSent(why));
            case Whitelist::PrinterLock::Outcome::LocalFault:
                return refuse(Refusal::LocalFault, Result::localFailure(why));
            }
        }
        const QString store = WhiteListDatabase::databasePath(printer());
        m_hasStore = QFileInfo::exists(store);
        const Result loaded = Whitelist::load(printer(), &m_before);
        if (!loaded.ok())
            return refuse(Refusal::Unreadable, loaded);
        m_uncertain = Whitelist::readIntent(printer(), &m_intent);
        m_after = m_before;
        if (m_mode == Mode::Show)
            return Result::success(m_before.join(QLatin1Char(',')));
        if (m_expecting && !Whitelist::sameList(m_before, m_expected))
            return refuse(
                Refusal::ChangedElsewhere,
                Result::notSent(QStringLiteral("the stored whitelist was changed elsewhere since it was loaded")));
        const QString address = m_addresses.value(0);
        switch (m_mode) {
        case Mode::Show:
            break;
        case Mode::Add:
            if (!m_after.contains(address))
                m_after << address;
            break;
        case Mode::Remove:
            m_after.removeAll(address);
            break;
        case Mode::Set:
            m_after = m_addresses;
            break;
        }
        const bool resend = m_uncertain || m_force;
        if (!changed() && !resend) {
            m_lock.reset();
            return Result::success(QStringLiteral("unchanged"));
        }
        if (m_checkOnly)
            return Result::success(changed() ? QStringLiteral("would change") : QStringLiteral("would send again"));
        // The printer must never take a list this machine cannot record.
        if (m_hasStore && ::access(QFile::encodeName(store).constData(), W_OK) != 0)
            return refuse(Refusal::LocalFault,
                          Result::localFailure(
                              QStringLiteral("cannot write the store in %1").arg(Whitelist::folderOf(printer()))));
        const AuditLog::Origin origin = AuditLog::origin();
        Whitelist::Intent intent {m_before,    m_after,       origin.user,
                                  origin.host, origin.source, QDateTime::currentDateTimeUtc()};
        QString why;
        if (!Whitelist::writeIntent(printer(), intent, &why))
            return refuse(Refusal::LocalFault, Result::localFailure(why));
        m_needsSending = true;
        return Result::success();
    }();
    return m_preparation;
}

void WhitelistJob::run()
{
    const Result ready = prepare();
    if (!m_needsSending) {
        finish(ready);
        return;
    }
    m_attempt = m_after;
    send(Whitelist::upload(printer(), m_after), Result::fromRecord, [this](const Result &r) { accepted(r); });
}

void WhitelistJob::accepted(const Result &printerAnswer)
{
    Result result = printerAnswer;
    if (result.ok()) {
        if (Whitelist::record(printer(), m_after)) {
            result.value = QStringLiteral("changed");
            m_uncertain = false;
            m_hasStore = true;
            Whitelist::clearIntent(printer());
        } else {
            // The intent stays: it is what says the two differ.
            result = Result::unrecorded(
                QStringLiteral("the printer took the new list, but the local copy in %1 could not be saved; "
                               "send the list again once the store is writable")
                    .arg(Whitelist::folderOf(printer())));
            m_uncertain = true;
        }
    } else if (result.kind == Result::Kind::NoAnswer && result.delivered) {
        // It reached the printer, which may or may not have applied it.
        m_uncertain = true;
    } else {
        Whitelist::clearIntent(printer());
        m_after = m_before; // nothing changed after all
    }
    m_lock.reset();
    finish(result);
}

QJsonObject WhitelistJob::auditFields() const
{
    QJsonObject o;
    o.insert(QStringLiteral("added"), QJsonArray::fromStringList(Whitelist::added(m_before, m_attempt)));
    o.insert(QStringLiteral("removed"), QJsonArray::fromStringList(Whitelist::removed(m_before, m_attempt)));
    if (Whitelist::sameList(m_before, m_attempt))
        o.insert(QStringLiteral("resent"), true);
    return o;
}
