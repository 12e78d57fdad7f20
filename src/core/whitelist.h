#ifndef CORE_WHITELIST_H
#define CORE_WHITELIST_H

#include "core/request.h"
#include "core/result.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// A printer's whitelist as the window and the command line change it: the
// local store holds the last list the printer accepted, a change goes to
// the printer as the whole new list, and only its acceptance is recorded.
// While a change is on its way an intent file beside the store says so: one
// left behind by a process that ended early means the printer may hold
// either list, until the whole list is sent again.
namespace Whitelist {

// The printer's folder under /var/varnok/data.
QString folderOf(const QString &printer);
QString lockPath(const QString &printer);
QString intentPath(const QString &printer);

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

    // Does not wait. Busy: another change holds it. Otherwise a local
    // fault (folder or lock file that cannot be made) with the reason.
    enum class Outcome { Held, Busy, LocalFault };
    Outcome acquire(QString *why);

private:
    QString m_printer;
    QString m_path;
    int m_fd = -1;
};

// The stored list, in plain decimal form, each address once; a NotSent
// result with the reason when it cannot be read.
Result load(const QString &printer, QStringList *addresses);

// Plain decimal form, each address once, first place kept.
QStringList normalized(const QStringList &addresses);

// Same members, order aside.
bool sameList(const QStringList &a, const QStringList &b);

// The upload of a whole list: the strategy document, encrypted, as the
// form parameter of config-strategies.
Request upload(const QString &printer, const QStringList &addresses);
Request uploadDocument(const QString &printer, const QString &xml);

// After the printer accepted `after`: the store becomes exactly that list
// in one transaction. False when the store could not record it (then it
// keeps the previous list whole).
bool record(const QString &printer, const QStringList &after);

// What `after` adds to and removes from `before`.
QStringList added(const QStringList &before, const QStringList &after);
QStringList removed(const QStringList &before, const QStringList &after);

// A change on its way, as recorded before sending.
struct Intent
{
    QStringList before;
    QStringList after;
    QString user;
    QString host;
    QString source;
    QDateTime time;
};
// Written atomically beside the store; false with the reason when it
// cannot be (then nothing may be sent).
bool writeIntent(const QString &printer, const Intent &intent, QString *why);
// False when there is none.
bool readIntent(const QString &printer, Intent *intent);
void clearIntent(const QString &printer);

} // namespace Whitelist

#endif // CORE_WHITELIST_H
