#include "cli/commands.h"

#include "cli/apply.h"
#include "cli/fleet.h"
#include "cli/printerlist.h"
#include "cli/status.h"
#include "core/auditlog.h"
#include "core/endpoints.h"
#include "core/inventory.h"
#include "core/job.h"
#include "core/operations.h"
#include "core/pagehistory.h"
#include "core/portsweep.h"
#include "core/printeraddress.h"
#include "core/statusjob.h"
#include "core/terminationwatcher.h"
#include "core/whitelistjob.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace Commands {
namespace {

const char *const Description = R"(Configures network printers over their HTTP interface (port 9100), one
printer or a whole fleet at once.

Commands:
  version   PRINTER...                 read the firmware version
  clock     PRINTER...                 set the printer's clock to this machine's local time
  counter   PRINTER...                 read the page counter
  clear     PRINTER...                 clear the print queue
  firmware  FILE PRINTER...            upload a firmware image (one printer at a time by default)
  network   PRINTER --address A --mask M --gateway G
                                       give one printer a new static address (checked against
                                       the same 18 rules as the window first)
  whitelist show    PRINTER...         the whitelist kept on this machine
  whitelist add     ADDRESS PRINTER... add one address to each printer's whitelist
  whitelist remove  ADDRESS PRINTER... remove one address
  whitelist set     FILE PRINTER...    make each whitelist equal to FILE (one address a line);
                                       a printer whose list already matches gets nothing,
                                       unless its last change was interrupted or --force
  scan      RANGE...                   find the printers that answer, with their firmware version
  log       [PRINTER...]               the audit log's lines for these printers (all without),
                                       oldest first; --since DATE
  status    [PRINTER...]               reachable, firmware (and the inventory's target), pages,
                                       whitelist state, last change: --format table|csv|json,
                                       --prometheus FILE (the node exporter's textfile)
  report pages --from DATE --to DATE [PRINTER...]
                                       pages printed in the period, from the recorded readings
                                       (counter and status record them); --format as status
  apply     [PRINTER...]               with -i: bring each printer to what the inventory asks
                                       (clock, whitelist, firmware); --check, --diff,
                                       --canary N, --max-fail N, --force

PRINTER is an IPv4 address, a range in CIDR notation (its host addresses) or
@FILE (one address or range a line; blank lines and # comments ignored).
With an inventory (-i FILE or NETTOOL_INVENTORY), PRINTER may also be a host
name, a group name or tag:NAME, and no PRINTER at all means every host.

Exit status: 0 when every printer succeeded, 1 when any failed, 2 for a usage
error (then nothing is sent); after SIGINT, SIGTERM or SIGHUP, 130, 143 or 129
once the printers under way have answered (a second signal ends at once).
Every change is appended to /var/varnok/log/changes.jsonl.)";

struct Plan
{
    QString operation;
    Fleet::Options options;
    QStringList printerItems;
    Fleet::MakeJob make;
    Fleet::Describe describe;
    std::function<bool(const Result &)> reportIf;
    bool recordPages = false; // each reading goes into the page history
    bool sweep = false; // first find which printers take a connection
};

// A scan's sweep gives up on a connection after this: time for one SYN
// retransmission (the kernel's first comes after a second).
const int SweepTimeoutMs = 1500;

int usage(const QString &why)
{
    std::fprintf(stderr, "nettoolctl: %s\n(see nettoolctl --help)\n", qPrintable(why));
    return 2;
}

// `audit`: the operation's name in the audit log; empty for a reading.
Fleet::MakeJob requestJob(std::function<Prepared(const QString &)> prepare, RequestJob::Judge judge,
                          const QString &audit = QString())
{
    return [prepare, judge, audit](const QString &printer) -> Job * {
        auto *job = new RequestJob(printer, prepare(printer), judge);
        job->setAuditOperation(audit);
        return job;
    };
}

// Addresses of a whitelist file, each checked as the window checks one.
bool readWhitelist(const QString &path, QStringList *addresses, QString *why)
{
    if (!PrinterList::readLines(path, addresses, why))
        return false;
    for (const QString &address : *addresses) {
        if (!AddressPatterns::matchesB(address)) {
            *why = QStringLiteral("%1: not an IPv4 address: %2").arg(path, address);
            return false;
        }
    }
    // "10.0.0.07" and "10.0.0.7" are one entry.
    *addresses = Whitelist::normalized(*addresses);
    return true;
}

QJsonArray toJson(const QStringList &list)
{
    return QJsonArray::fromStringList(list);
}

// Fills `plan` for the whitelist subcommands; an empty text when fine.
QString planWhitelist(const QCommandLineParser &parser, QStringList args, Plan *plan)
{
    const QString sub = args.isEmpty() ? QString() : args.takeFirst();
    WhitelistJob::Mode mode;
    QStringList addresses;
    if (sub == QLatin1String("show")) {
        mode = WhitelistJob::Mode::Show;
    } else if (sub == QLatin1String("add") || sub == QLatin1String("remove")) {
        mode = sub == QLatin1String("add") ? WhitelistJob::Mode::Add : WhitelistJob::Mode::Remove;
        if (args.isEmpty() || !AddressPatterns::matchesB(args.first()))
            return QStringLiteral("whitelist %1 needs an IPv4 ADDRESS first").arg(sub);
        addresses << args.takeFirst();
    } else if (sub == QLatin1String("set")) {
        mode = WhitelistJob::Mode::Set;
        if (args.isEmpty())
            return QStringLiteral("whitelist set needs a FILE");
        QString why;
        if (!readWhitelist(args.takeFirst(), &addresses, &why))
            return why;
    } else {
        return QStringLiteral("whitelist needs show, add, remove or set");
    }
    const bool check = parser.isSet(QStringLiteral("check"));
    const bool diff = parser.isSet(QStringLiteral("diff"));
    const bool force = parser.isSet(QStringLiteral("force"));
    if ((check || diff || force) && mode == WhitelistJob::Mode::Show)
        return QStringLiteral("--check, --diff and --force go with add, remove and set");
    plan->operation = QStringLiteral("whitelist ") + sub;
    plan->printerItems = args;
    plan->options.changes = mode != WhitelistJob::Mode::Show;
    plan->make = [mode, addresses, check, force](const QString &printer) -> Job * {
        auto *job = new WhitelistJob(printer, mode, addresses, check);
        job->setForce(force);
        return job;
    };
    plan->describe = [mode, diff, check](Job *job, const Result &result, QJsonObject *report, QString *text) {
        auto *w = static_cast<WhitelistJob *>(job);
        if (w->refusal() == WhitelistJob::Refusal::None)
            report->insert(QStringLiteral("state"), w->state());
        if (mode == WhitelistJob::Mode::Show) {
            report->insert(QStringLiteral("value"), toJson(w->stored()));
            if (w->uncertain()) {
                // Either list may be the printer's.
                report->insert(QStringLiteral("pending"), toJson(w->pending()));
                *text += QStringLiteral(" (uncertain: an interrupted change may have left the printer with %1)")
                             .arg(w->pending().join(','));
            }
            return;
        }
        if (w->uncertain() && result.kind != Result::Kind::Unrecorded)
            *text += QStringLiteral(" (uncertain: the printer may hold either list; send it again)");
        if (check || result.ok())
            report->insert(QStringLiteral("changed"), w->changed());
        if (!diff)
            return;
        report->insert(QStringLiteral("added"), toJson(w->added()));
        report->insert(QStringLiteral("removed"), toJson(w->removed()));
        for (const QString &a : w->added())
            *text += QStringLiteral("\n  + ") + a;
        for (const QString &r : w->removed())
            *text += QStringLiteral("\n  - ") + r;
    };
    return QString();
}

QString plan(const QCommandLineParser &parser, QStringList args, Plan *plan)
{
    if (args.isEmpty())
        return QStringLiteral("no command");
    const QString command = args.takeFirst();
    plan->operation = command;
    plan->options.parallel = 16;
    if (command == QLatin1String("version")) {
        plan->make = requestJob(Ops::version, Ops::judgeVersion);
    } else if (command == QLatin1String("clock")) {
        plan->options.changes = true;
        plan->make = requestJob([](const QString &p) { return Ops::clock(p, QDateTime::currentDateTime()); },
                                Ops::judgeClock, command);
    } else if (command == QLatin1String("counter")) {
        plan->make = requestJob(Ops::counter, Ops::judgeCounter);
        plan->recordPages = true;
    } else if (command == QLatin1String("clear")) {
        plan->options.changes = true;
        plan->make = requestJob(Ops::clear, Ops::judgeClear, command);
    } else if (command == QLatin1String("firmware")) {
        if (args.isEmpty())
            return QStringLiteral("firmware needs a FILE");
        const QString file = args.takeFirst();
        if (!QFileInfo(file).isFile() || !QFileInfo(file).isReadable())
            return QStringLiteral("not a readable regular file: ") + file;
        plan->options.changes = true;
        plan->options.parallel = 1;
        // The version it ran before goes into the audit line.
        plan->make = [file](const QString &printer) -> Job * { return new FirmwareJob(printer, file, true); };
    } else if (command == QLatin1String("network")) {
        const QString address = parser.value(QStringLiteral("address"));
        const QString mask = parser.value(QStringLiteral("mask"));
        const QString gateway = parser.value(QStringLiteral("gateway"));
        if (address.isEmpty() || mask.isEmpty() || gateway.isEmpty())
            return QStringLiteral("network needs --address, --mask and --gateway");
        if (args.size() != 1 || args.first().contains(QLatin1Char('/')) || args.first().startsWith(QLatin1Char('@')))
            return QStringLiteral("network configures exactly one PRINTER");
        plan->options.changes = true;
        plan->make = [address, mask, gateway](const QString &printer) -> Job * {
            return new NetworkJob(printer, address, mask, gateway);
        };
    } else if (command == QLatin1String("whitelist")) {
        const QString why = planWhitelist(parser, args, plan);
        if (!why.isEmpty())
            return why;
        args = plan->printerItems;
    } else if (command == QLatin1String("scan")) {
        // Only the addresses that take a connection (all swept at once) are
        // asked for their version.
        plan->sweep = true;
        plan->options.parallel = 64;
        plan->options.ordered = true;
        plan->make = requestJob(Ops::version, Ops::judgeVersion);
        plan->reportIf = [](const Result &r) { return r.ok(); };
    } else {
        return QStringLiteral("unknown command: ") + command;
    }
    plan->printerItems = args;
    return QString();
}

// nettoolctl log: who changed what, from the audit log.
int showLog(const QCommandLineParser &parser)
{
    QStringList printers;
    QString why;
    if (!PrinterList::expand(parser.positionalArguments().mid(1), &printers, &why))
        return usage(why);
    QDateTime since;
    if (parser.isSet(QStringLiteral("since"))) {
        const QString text = parser.value(QStringLiteral("since"));
        since = QDateTime::fromString(text, Qt::ISODate);
        if (!since.isValid())
            since = QDate::fromString(text, Qt::ISODate).startOfDay();
        if (!since.isValid())
            return usage(QStringLiteral("--since takes a date (2026-12-01) or a time (2026-12-01T08:00)"));
    }
    QList<QJsonObject> entries;
    if (!AuditLog::read(AuditLog::path(), printers, since, &entries, &why)) {
        std::fprintf(stderr, "nettoolctl: %s\n", qPrintable(why));
        return 1;
    }
    const bool json = parser.isSet(QStringLiteral("json"));
    for (const QJsonObject &e : entries) {
        QByteArray line;
        if (json) {
            line = QJsonDocument(e).toJson(QJsonDocument::Compact);
        } else {
            auto v = [&e](const char *key) { return e.value(QLatin1String(key)).toVariant().toString(); };
            QString who = v("user");
            if (!v("effective_user").isEmpty() && v("effective_user") != who)
                who += QStringLiteral(" (as %1)").arg(v("effective_user"));
            line = QStringLiteral("%1  %2  %3  %4  %5@%6 via %7  %8")
                       .arg(v("time"), v("printer"), v("operation"), v("outcome"), who, v("host"), v("source"),
                            v("detail"))
                       .trimmed()
                       .toUtf8();
        }
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fputc('\n', stdout);
    }
    return 0;
}

// PRINTER items to addresses: with an inventory, its host names, groups,
// tags and addresses first (named), then addresses, ranges and @FILE.
// No items with an inventory: every host.
bool resolvePrinters(const QStringList &items, const Inventory *inventory, QStringList *printers,
                     QHash<QString, QString> *names, QString *why)
{
    printers->clear();
    QStringList rest;
    auto take = [&](const InventoryHost *h) {
        if (!names->contains(h->address)) {
            names->insert(h->address, h->name);
            *printers << h->address;
        }
    };
    if (inventory && items.isEmpty())
        for (const InventoryHost &h : inventory->hosts())
            take(&h);
    for (const QString &item : items) {
        const QList<const InventoryHost *> hosts = inventory ? inventory->select(item) : QList<const InventoryHost *>();
        if (!hosts.isEmpty()) {
            for (const InventoryHost *h : hosts)
                take(h);
            continue;
        }
        if (inventory && item.startsWith(QLatin1String("tag:"))) {
            *why = QStringLiteral("no host in %1 has the tag %2").arg(inventory->path(), item.mid(4));
            return false;
        }
        QStringList expanded;
        if (!PrinterList::expand({item}, &expanded, why)) {
            if (inventory)
                *why = QStringLiteral("%1 is no host, group or address of %2, nor an address")
                           .arg(item, inventory->path());
            return false;
        }
        for (const QString &address : expanded) {
            if (inventory)
                if (const InventoryHost *h = inventory->byAddress(address)) {
                    take(h);
                    continue;
                }
            if (!printers->contains(address))
                *printers << address;
        }
    }
    if (printers->size() > PrinterList::MaxPrinters) {
        *why = QStringLiteral("more than %1 printers").arg(PrinterList::MaxPrinters);
        return false;
    }
    return true;
}

bool numberOption(const QCommandLineParser &parser, const char *name, int min, int max, int *value, QString *why)
{
    if (!parser.isSet(QLatin1String(name)))
        return true;
    bool number = false;
    *value = parser.value(QLatin1String(name)).toInt(&number);
    if (!number || *value < min || *value > max) {
        *why = QStringLiteral("--%1 takes a number from %2 to %3").arg(QLatin1String(name)).arg(min).arg(max);
        return false;
    }
    return true;
}

// Without an inventory's order, rows come in address order.
void sortByAddress(QStringList *printers)
{
    std::sort(printers->begin(), printers->end(), [](const QString &a, const QString &b) {
        return PrinterAddress::parse(a).value() < PrinterAddress::parse(b).value();
    });
}

void recordReading(const QString &printer, qint64 pages)
{
    QString why;
    if (!PageHistory::record(printer, pages, QDateTime::currentDateTimeUtc(), &why))
        std::fprintf(stderr, "%s: page history: %s\n", qPrintable(printer), qPrintable(why));
}

bool formatOption(const QCommandLineParser &parser, QString *format, QString *why)
{
    *format = parser.isSet(QStringLiteral("json")) ? QStringLiteral("json") : QStringLiteral("table");
    if (parser.isSet(QStringLiteral("format")))
        *format = parser.value(QStringLiteral("format"));
    if (*format != QLatin1String("table") && *format != QLatin1String("csv") && *format != QLatin1String("json")) {
        *why = QStringLiteral("--format takes table, csv or json");
        return false;
    }
    return true;
}

QDateTime dateOption(const QCommandLineParser &parser, const char *name)
{
    const QString text = parser.value(QLatin1String(name));
    QDateTime when = QDateTime::fromString(text, Qt::ISODate);
    if (!when.isValid())
        when = QDate::fromString(text, Qt::ISODate).startOfDay();
    return when;
}

void print(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// nettoolctl status: every printer read at once, shown in one table.
int runStatus(QCoreApplication &app, const QCommandLineParser &parser, const QStringList &items,
              const Inventory *inventory)
{
    QString why;
    QString format;
    if (!formatOption(parser, &format, &why))
        return usage(why);
    Fleet::Options options;
    options.operation = QStringLiteral("status");
    options.parallel = 64;
    options.collect = true;
    options.quiet = parser.isSet(QStringLiteral("quiet"));
    options.progress = !options.quiet && ::isatty(STDERR_FILENO);
    if (!numberOption(parser, "parallel", 1, 1024, &options.parallel, &why))
        return usage(why);
    QStringList printers;
    QHash<QString, QString> names;
    if (!resolvePrinters(items, inventory, &printers, &names, &why))
        return usage(why);
    if (printers.isEmpty())
        return usage(QStringLiteral("status needs at least one PRINTER (or an inventory)"));
    if (!inventory)
        sortByAddress(&printers);
    QHash<QString, StatusRow> rows;
    Fleet fleet(options, [](const QString &printer) -> Job * { return new StatusJob(printer); });
    QObject::connect(&fleet, &Fleet::ended, [&](Job *job, const Result &) {
        auto *s = static_cast<StatusJob *>(job);
        StatusRow row;
        row.address = s->printer();
        row.name = names.value(row.address);
        row.reachable = s->reachable();
        row.version = s->version();
        row.pages = s->pages();
        if (inventory)
            if (const InventoryHost *h = inventory->byAddress(row.address))
                row.target = h->firmwareVersion;
        WhitelistJob stored(row.address, WhitelistJob::Mode::Show, {}, false);
        row.whitelist = stored.prepare().ok() ? stored.state() : QStringLiteral("unreadable");
        if (row.pages >= 0)
            recordReading(row.address, row.pages);
        rows.insert(row.address, row);
    });
    TerminationWatcher::installHandlers();
    TerminationWatcher watcher;
    QObject::connect(&watcher, &TerminationWatcher::signalled, &fleet, [&fleet](int sig) { fleet.stop(128 + sig); });
    QObject::connect(&fleet, &Fleet::finished, &app, [](int code) { QCoreApplication::exit(code); });
    fleet.run(printers);
    const int code = app.exec();

    // The last change of each, from the audit log.
    QList<QJsonObject> changes;
    QString auditWhy;
    if (!AuditLog::read(AuditLog::path(), printers, QDateTime(), &changes, &auditWhy))
        std::fprintf(stderr, "nettoolctl: %s\n", qPrintable(auditWhy));
    QHash<QString, QJsonObject> last;
    for (const QJsonObject &c : changes)
        last.insert(c.value(QStringLiteral("printer")).toString(),
                    {{QStringLiteral("time"), c.value(QStringLiteral("time"))},
                     {QStringLiteral("operation"), c.value(QStringLiteral("operation"))},
                     {QStringLiteral("user"), c.value(QStringLiteral("user"))}});
    QList<StatusRow> ordered;
    for (const QString &printer : printers) {
        if (!rows.contains(printer))
            continue; // stopped before it was asked
        StatusRow row = rows.value(printer);
        row.lastChange = last.value(printer);
        ordered << row;
    }
    print(format == QLatin1String("csv")        ? StatusReport::csv(ordered)
              : format == QLatin1String("json") ? StatusReport::json(ordered)
                                                : StatusReport::table(ordered));
    if (parser.isSet(QStringLiteral("prometheus"))
        && !StatusReport::writeAtomically(parser.value(QStringLiteral("prometheus")),
                                          StatusReport::prometheus(ordered, QDateTime::currentDateTimeUtc()), &why)) {
        std::fprintf(stderr, "nettoolctl: %s\n", qPrintable(why));
        return 1;
    }
    return code;
}

// nettoolctl report pages: what each printer printed in a period.
int runReport(const QCommandLineParser &parser, const QStringList &args, const Inventory *inventory)
{
    if (args.value(0) != QLatin1String("pages"))
        return usage(QStringLiteral("report needs pages"));
    QString why;
    QString format;
    if (!formatOption(parser, &format, &why))
        return usage(why);
    if (!parser.isSet(QStringLiteral("from")) || !parser.isSet(QStringLiteral("to")))
        return usage(QStringLiteral("report pages needs --from DATE and --to DATE"));
    const QDateTime from = dateOption(parser, "from");
    const QDateTime to = dateOption(parser, "to");
    if (!from.isValid() || !to.isValid() || to <= from)
        return usage(QStringLiteral("--from and --to take dates (2026-12-01), --to after --from"));
    QStringList printers;
    QHash<QString, QString> names;
    if (!resolvePrinters(args.mid(1), inventory, &printers, &names, &why))
        return usage(why);
    if (printers.isEmpty()) {
        if (!PageHistory::printers(&printers, &why)) {
            std::fprintf(stderr, "nettoolctl: %s\n", qPrintable(why));
            return 1;
        }
    }
    if (!inventory)
        sortByAddress(&printers);
    QList<QStringList> table {{"NAME", "ADDRESS", "PAGES", "FROM READING", "TO READING"}};
    QByteArray out
        = format == QLatin1String("csv") ? QByteArray("name,address,pages,from_reading,to_reading\n") : QByteArray();
    QStringList lacking;
    for (const QString &printer : printers) {
        QList<PageHistory::Reading> readings;
        if (!PageHistory::readings(printer, &readings, &why)) {
            std::fprintf(stderr, "nettoolctl: %s\n", qPrintable(why));
            return 1;
        }
        PageHistory::Period period;
        const bool known = PageHistory::pagesIn(readings, from, to, &period);
        if (!known)
            lacking << (names.value(printer).isEmpty() ? printer : names.value(printer));
        const QString stamp1 = known ? period.first.time.toString(Qt::ISODate) : QString();
        const QString stamp2 = known ? period.last.time.toString(Qt::ISODate) : QString();
        const QString pages = known ? QString::number(period.pages) : QString();
        if (format == QLatin1String("json")) {
            auto orNull = [](const QString &s) { return s.isEmpty() ? QJsonValue() : QJsonValue(s); };
            QJsonObject o {{QStringLiteral("name"), orNull(names.value(printer))},
                           {QStringLiteral("address"), printer},
                           {QStringLiteral("pages"), known ? QJsonValue(period.pages) : QJsonValue()},
                           {QStringLiteral("from_reading"), orNull(stamp1)},
                           {QStringLiteral("to_reading"), orNull(stamp2)}};
            out += QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
        } else if (format == QLatin1String("csv")) {
            out += QStringList {names.value(printer), printer, pages, stamp1, stamp2}.join(',').toUtf8() + '\n';
        } else {
            table << QStringList {names.value(printer), printer, known ? pages : QStringLiteral("-"), stamp1, stamp2};
        }
    }
    if (format == QLatin1String("table"))
        out = StatusReport::aligned(table);
    print(out);
    if (!lacking.isEmpty())
        std::fprintf(stderr, "no readings bound the period for: %s\n", qPrintable(lacking.join(QStringLiteral(", "))));
    return 0;
}

// nettoolctl apply: the inventory's printers brought to what it asks.
int runApply(QCoreApplication &app, const QCommandLineParser &parser, const QStringList &items,
             const Inventory &inventory)
{
    Apply::Options options;
    options.check = parser.isSet(QStringLiteral("check"));
    options.diff = parser.isSet(QStringLiteral("diff"));
    options.force = parser.isSet(QStringLiteral("force"));
    options.json = parser.isSet(QStringLiteral("json"));
    options.quiet = parser.isSet(QStringLiteral("quiet"));
    QString why;
    if (!numberOption(parser, "parallel", 1, 1024, &options.parallel, &why)
        || !numberOption(parser, "canary", 0, 65536, &options.canary, &why)
        || !numberOption(parser, "max-fail", 1, 65536, &options.maxFail, &why))
        return usage(why);
    QList<InventoryHost> hosts;
    QSet<QString> seen;
    if (items.isEmpty())
        hosts = inventory.hosts();
    for (const QString &item : items) {
        const QList<const InventoryHost *> selected = inventory.select(item);
        if (selected.isEmpty())
            return usage(QStringLiteral("%1 names no host, group, tag or address of %2").arg(item, inventory.path()));
        for (const InventoryHost *h : selected)
            if (!seen.contains(h->name)) {
                seen.insert(h->name);
                hosts << *h;
            }
    }
    // Every whitelist file read and checked before anything is sent.
    QHash<QString, QStringList> whitelists;
    for (const InventoryHost &h : hosts) {
        if (h.whitelist.isEmpty() || whitelists.contains(h.whitelist))
            continue;
        QStringList list;
        if (!readWhitelist(h.whitelist, &list, &why))
            return usage(why);
        whitelists.insert(h.whitelist, list);
    }
    Apply apply(options, hosts, whitelists);
    TerminationWatcher::installHandlers();
    TerminationWatcher::setSecondSignalEnds(true);
    TerminationWatcher watcher;
    QObject::connect(&watcher, &TerminationWatcher::signalled, &apply, [&apply](int sig) { apply.stop(128 + sig); });
    QObject::connect(&apply, &Apply::finished, &app, [](int code) { QCoreApplication::exit(code); });
    QTimer::singleShot(0, &apply, &Apply::run);
    return app.exec();
}

} // namespace

int run(QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(Description));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("json"), QStringLiteral("One JSON object per printer per line.")},
        {QStringLiteral("parallel"), QStringLiteral("Printers at once (default 16; firmware 1; scan 64)."),
         QStringLiteral("N")},
        {{QStringLiteral("q"), QStringLiteral("quiet")},
         QStringLiteral("No progress and no summary; of a change, only the failed printers.")},
        {QStringLiteral("address"), QStringLiteral("network: the new address."), QStringLiteral("A")},
        {QStringLiteral("mask"), QStringLiteral("network: the new subnet mask."), QStringLiteral("M")},
        {QStringLiteral("gateway"), QStringLiteral("network: the new default gateway."), QStringLiteral("G")},
        {QStringLiteral("check"),
         QStringLiteral("whitelist, apply: change nothing, report which printers would change.")},
        {QStringLiteral("diff"),
         QStringLiteral("whitelist, apply: print the addresses added and removed (and firmware from -> to).")},
        {QStringLiteral("force"),
         QStringLiteral("whitelist, apply: send the list even to a printer whose stored list already matches.")},
        {QStringLiteral("since"), QStringLiteral("log: only lines from DATE on (ISO 8601, e.g. 2026-12-01)."),
         QStringLiteral("DATE")},
        {{QStringLiteral("i"), QStringLiteral("inventory")},
         QStringLiteral("The fleet's inventory (YAML); PRINTER may then name hosts, groups and tag:NAME."),
         QStringLiteral("FILE")},
        {QStringLiteral("canary"),
         QStringLiteral("apply: update the first N printers' firmware first; stop if one fails."), QStringLiteral("N")},
        {QStringLiteral("format"), QStringLiteral("status, report: table (default), csv or json."),
         QStringLiteral("FORMAT")},
        {QStringLiteral("prometheus"),
         QStringLiteral("status: also write the metrics to FILE (node exporter textfile), atomically."),
         QStringLiteral("FILE")},
        {QStringLiteral("from"), QStringLiteral("report: the period's first day (or time)."), QStringLiteral("DATE")},
        {QStringLiteral("to"), QStringLiteral("report: the period's end (a day means its start)."),
         QStringLiteral("DATE")},
        {QStringLiteral("max-fail"),
         QStringLiteral("apply: no new firmware upload once N printers have failed (default 1)."), QStringLiteral("N")},
    });
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do (see above)."));
    parser.addPositionalArgument(QStringLiteral("arguments"), QStringLiteral("Its arguments and printers."),
                                 QStringLiteral("[arguments...]"));
    if (!parser.parse(app.arguments()))
        return usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText()));
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }

    AuditLog::setSource(QStringLiteral("nettoolctl"));
    const QStringList positional = parser.positionalArguments();
    if (positional.value(0) == QLatin1String("log"))
        return showLog(parser);

    // The inventory, checked whole before anything is sent.
    Inventory inventory;
    bool haveInventory = false;
    const QString inventoryPath = parser.isSet(QStringLiteral("inventory")) ? parser.value(QStringLiteral("inventory"))
                                                                            : qEnvironmentVariable("NETTOOL_INVENTORY");
    if (!inventoryPath.isEmpty()) {
        QString why;
        if (!Inventory::load(inventoryPath, &inventory, &why))
            return usage(why);
        haveInventory = true;
    }
    if (positional.value(0) == QLatin1String("status"))
        return runStatus(app, parser, positional.mid(1), haveInventory ? &inventory : nullptr);
    if (positional.value(0) == QLatin1String("report"))
        return runReport(parser, positional.mid(1), haveInventory ? &inventory : nullptr);
    if (positional.value(0) == QLatin1String("apply")) {
        if (!haveInventory)
            return usage(QStringLiteral("apply needs an inventory (-i FILE or NETTOOL_INVENTORY)"));
        return runApply(app, parser, positional.mid(1), inventory);
    }

    Plan p;
    const QString why = plan(parser, positional, &p);
    if (!why.isEmpty())
        return usage(why);
    QString expandWhy;
    if (!numberOption(parser, "parallel", 1, 1024, &p.options.parallel, &expandWhy))
        return usage(expandWhy);
    QStringList printers;
    QHash<QString, QString> names;
    if (!resolvePrinters(p.printerItems, haveInventory ? &inventory : nullptr, &printers, &names, &expandWhy))
        return usage(expandWhy);
    if (printers.isEmpty())
        return usage(p.printerItems.isEmpty() ? QStringLiteral("%1 needs at least one PRINTER").arg(p.operation)
                                              : QStringLiteral("no printers"));

    TerminationWatcher::installHandlers();
    TerminationWatcher::setSecondSignalEnds(true);
    TerminationWatcher watcher;
    if (p.sweep) {
        PortSweep sweep(printers, 9100, SweepTimeoutMs);
        QEventLoop loop;
        QObject::connect(&sweep, &PortSweep::finished, &loop, &QEventLoop::quit);
        QObject::connect(&watcher, &TerminationWatcher::signalled, &loop, [&loop](int sig) { loop.exit(128 + sig); });
        sweep.start();
        if (const int stopped = loop.exec())
            return stopped;
        printers = sweep.open();
        if (printers.isEmpty()) {
            if (!parser.isSet(QStringLiteral("quiet")))
                std::fprintf(stderr, "0 printers: 0 ok, 0 failed\n");
            return 0;
        }
    }

    p.options.operation = p.operation;
    p.options.json = parser.isSet(QStringLiteral("json"));
    p.options.quiet = parser.isSet(QStringLiteral("quiet"));
    p.options.progress = !p.options.quiet && ::isatty(STDERR_FILENO);
    Fleet fleet(p.options, p.make);
    fleet.setNames(names);
    if (p.describe)
        fleet.setDescribe(p.describe);
    if (p.reportIf)
        fleet.setReportFilter(p.reportIf);
    if (p.recordPages)
        QObject::connect(&fleet, &Fleet::ended, [](Job *job, const Result &result) {
            bool number = false;
            const qint64 pages = result.value.trimmed().toLongLong(&number);
            if (result.ok() && number)
                recordReading(job->printer(), pages);
        });
    // A signal starts no further printer but lets the changes on their way
    // be answered and recorded; a second one ends at once.
    QObject::connect(&watcher, &TerminationWatcher::signalled, &fleet, [&fleet](int sig) { fleet.stop(128 + sig); });
    QObject::connect(&fleet, &Fleet::finished, &app, [](int code) { QCoreApplication::exit(code); });
    fleet.run(printers);
    return app.exec();
}

} // namespace Commands
