#include "core/whitelistjob.h"

#include "core/operations.h"

WhitelistJob::WhitelistJob(const QString &printer, Mode mode, const QStringList &addresses, bool checkOnly,
                           QObject *parent)
    : Job(printer, parent)
    , m_mode(mode)
    , m_addresses(addresses)
    , m_checkOnly(checkOnly)
{
}

void WhitelistJob::run()
{
    const Result address = Ops::checkPrinter(printer(), Ops::AddressCheck::B);
    if (!address.ok()) {
        finish(address);
        return;
    }
    if (m_mode != Mode::Show && !m_checkOnly) {
        m_lock.reset(new Whitelist::PrinterLock(printer()));
        QString why;
        if (!m_lock->acquire(&why)) {
            finish(Result::notSent(why));
            return;
        }
    }
    const Result loaded = Whitelist::load(printer(), &m_before);
    if (!loaded.ok()) {
        finish(loaded);
        return;
    }
    m_after = m_before;
    switch (m_mode) {
    case Mode::Show:
        finish(Result::success(m_before.join(',')));
        return;
    case Mode::Add:
        if (!m_after.contains(m_addresses.value(0)))
            m_after << m_addresses.value(0);
        break;
    case Mode::Remove:
        m_after.removeAll(m_addresses.value(0));
        break;
    case Mode::Set:
        m_after = m_addresses;
        break;
    }
    if (!changed()) {
        Result same = Result::success(QStringLiteral("unchanged"));
        finish(same);
        return;
    }
    if (m_checkOnly) {
        finish(Result::success(QStringLiteral("would change")));
        return;
    }
    m_sent = true;
    send(Whitelist::upload(printer(), m_after), Result::fromRecord, [this](const Result &r) { accepted(r); });
}

void WhitelistJob::accepted(const Result &printerAnswer)
{
    Result result = printerAnswer;
    if (result.ok() && !Whitelist::record(printer(), m_before, m_after)) {
        // The printer has the new list, the store the old: say so, or the
        // next change made from the store would undo this one.
        result.kind = Result::Kind::Refused;
        result.reason = QStringLiteral("the printer took the new list, but the local copy could not be saved; "
                                       "nothing else may change this printer's list before it is repaired");
    } else if (result.ok()) {
        result.value = QStringLiteral("changed");
    } else {
        m_after = m_before; // nothing changed after all
    }
    m_lock.reset();
    finish(result);
}
