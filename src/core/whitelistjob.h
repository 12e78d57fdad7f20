#ifndef WHITELISTJOB_H
#define WHITELISTJOB_H

#include "core/job.h"
#include "core/whitelist.h"

#include <QStringList>
#include <memory>

// A printer's whitelist from the command line: shown from the store, or
// changed under the printer's lock (read the stored list, send the new one,
// record what the printer accepted). A list that already matches is left
// alone; a check only says what would change.
class WhitelistJob : public Job
{
    Q_OBJECT

public:
    enum class Mode { Show, Add, Remove, Set };

    // `addresses`: the one address to add or remove, or the whole list to set.
    WhitelistJob(const QString &printer, Mode mode, const QStringList &addresses, bool checkOnly,
                 QObject *parent = nullptr);

    bool changed() const { return !Whitelist::sameList(m_before, m_after); }
    // Whether anything went to the printer (what the audit log records).
    bool sent() const { return m_sent; }
    QStringList added() const { return Whitelist::added(m_before, m_after); }
    QStringList removed() const { return Whitelist::removed(m_before, m_after); }
    QStringList list() const { return m_after; }

protected:
    void run() override;

private:
    void accepted(const Result &printerAnswer);

    Mode m_mode;
    QStringList m_addresses;
    bool m_checkOnly;
    bool m_sent = false;
    QStringList m_before;
    QStringList m_after;
    std::unique_ptr<Whitelist::PrinterLock> m_lock;
};

#endif // WHITELISTJOB_H
