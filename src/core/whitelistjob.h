#ifndef WHITELISTJOB_H
#define WHITELISTJOB_H

#include "core/job.h"
#include "core/whitelist.h"

#include <QStringList>
#include <memory>

// A printer's whitelist, shown from the store or changed: under the
// printer's lock, read the stored list, record the intent, send the whole
// new list, record what the printer accepted (store, audit line), remove
// the intent, release the lock; only then is the result reported. A list
// that already matches is left alone unless the last change was
// interrupted (the printer may hold either list) or it is forced; a check
// only says what would change.
class WhitelistJob : public Job
{
    Q_OBJECT

public:
    enum class Mode { Show, Add, Remove, Set };
    // Why a change was not sent.
    enum class Refusal { None, BadAddress, Busy, ChangedElsewhere, LocalFault, Unreadable };

    // `addresses`: the one address to add or remove, or the whole list to set.
    WhitelistJob(const QString &printer, Mode mode, const QStringList &addresses, bool checkOnly,
                 QObject *parent = nullptr);

    // Send even a list the store already holds.
    void setForce(bool force) { m_force = force; }
    // The list the caller started from (a window's loaded list): a store
    // that no longer holds it was changed elsewhere, and nothing is sent.
    void expectStored(const QStringList &list);

    // Everything before sending, done at once: a NotSent result when
    // refused (see refusal()), else a success; needsSending() tells whether
    // start() will send. start() prepares first when nobody did.
    Result prepare();
    bool needsSending() const { return m_needsSending; }
    Refusal refusal() const { return m_refusal; }

    bool changed() const { return !Whitelist::sameList(m_before, m_after); }
    QStringList added() const { return Whitelist::added(m_before, m_after); }
    QStringList removed() const { return Whitelist::removed(m_before, m_after); }
    QStringList stored() const { return m_before; }
    QStringList list() const { return m_after; }
    // A change left unaccounted for: the printer may hold the stored list
    // or pending().
    bool uncertain() const { return m_uncertain; }
    QStringList pending() const { return m_intent.after; }
    const Whitelist::Intent &intent() const { return m_intent; }
    // "recorded", "uncertain" or "none" (nothing stored for this printer).
    QString state() const;

protected:
    void run() override;
    QJsonObject auditFields() const override;

private:
    Result refuse(Refusal why, const Result &result);
    void accepted(const Result &printerAnswer);

    Mode m_mode;
    QStringList m_addresses;
    bool m_checkOnly;
    bool m_force = false;
    bool m_expecting = false;
    QStringList m_expected;
    bool m_prepared = false;
    bool m_needsSending = false;
    Result m_preparation;
    Refusal m_refusal = Refusal::None;
    bool m_uncertain = false;
    bool m_hasStore = false;
    Whitelist::Intent m_intent;
    QStringList m_before;
    QStringList m_after;
    QStringList m_attempt; // what went to the printer
    std::unique_ptr<Whitelist::PrinterLock> m_lock;
};

#endif // WHITELISTJOB_H
