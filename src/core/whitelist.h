#ifndef CORE_WHITELIST_H
#define CORE_WHITELIST_H

#include "core/request.h"
#include "core/result.h"

#include <QString>
#include <QStringList>

// A printer's whitelist as the window and the command line change it: the
// local store holds the last list the printer accepted, a change goes to
// the printer as the whole new list, and only its acceptance is recorded.
namespace Whitelist {

// Holds a printer's change lock (flock on a file in the printer's folder)
// while it lives: from reading the stored list to recording the printer's
// answer, no other process or window may change that printer's list.
class PrinterLock
{
public:
    explicit PrinterLock(const QString &printer);
    ~PrinterLock();
    PrinterLock(const PrinterLock &) = delete;
    PrinterLock &operator=(const PrinterLock &) = delete;

    // Does not wait: false (with the reason) when another change holds it.
    bool acquire(QString *why);

private:
    QString m_folder;
    QString m_path;
    int m_fd = -1;
};

QString lockPath(const QString &printer);

// The stored list; a NotSent result with the reason when it cannot be read.
Result load(const QString &printer, QStringList *addresses);

// Same members, order aside.
bool sameList(const QStringList &a, const QStringList &b);

// The upload of a whole list: the strategy document, encrypted, as the
// form parameter of config-strategies.
Request upload(const QString &printer, const QStringList &addresses);
Request uploadDocument(const QString &printer, const QString &xml);

// After the printer accepted `after` in place of `before`: the store
// follows (added addresses inserted, removed ones deleted). False when the
// store could not record it.
bool record(const QString &printer, const QStringList &before, const QStringList &after);

// What `after` adds to and removes from `before`.
QStringList added(const QStringList &before, const QStringList &after);
QStringList removed(const QStringList &before, const QStringList &after);

} // namespace Whitelist

#endif // CORE_WHITELIST_H
