#include "cli/commands.h"

#include "cli/fleet.h"
#include "cli/printerlist.h"
#include "core/job.h"
#include "core/operations.h"
#include "core/whitelistjob.h"
#include "ops/endpoints.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>

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
                                       a printer whose list already matches gets nothing
  scan      RANGE...                   find the printers that answer, with their firmware version

PRINTER is an IPv4 address, a range in CIDR notation (its host addresses) or
@FILE (one address or range a line; blank lines and # comments ignored).

Exit status: 0 when every printer succeeded, 1 when any failed, 2 for a usage
error (then nothing is sent). Every change is appended to
/var/varnok/log/changes.jsonl.)";

struct Plan
{
    QString operation;
    Fleet::Options options;
    QStringList printerItems;
    Fleet::MakeJob make;
    Fleet::Describe describe;
    std::function<bool(Job *, const Result &)> auditIf;
    std::function<QString(Job *, const Result &)> auditDetail;
    std::function<bool(const Result &)> reportIf;
};

int usage(const QString &why)
{
    std::fprintf(stderr, "nettoolctl: %s\n(see nettoolctl --help)\n", qPrintable(why));
    return 2;
}

Fleet::MakeJob requestJob(std::function<Prepared(const QString &)> prepare, RequestJob::Judge judge)
{
    return [prepare, judge](const QString &printer) -> Job * {
        return new RequestJob(printer, prepare(printer), judge);
    };
}

// Addresses of a whitelist file, each checked as the window checks one.
bool readWhitelist(const QString &path, QStringList *addresses, QString *why)
{
    if (!PrinterList::readLines(path, addresses, why))
        return false;
    QStringList unique;
    for (const QString &address : *addresses) {
        if (!AddressPatterns::matchesB(address)) {
            *why = QStringLiteral("%1: not an IPv4 address: %2").arg(path, address);
            return false;
        }
        if (!unique.contains(address))
            unique << address;
    }
    *addresses = unique;
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
    if ((check || diff) && mode == WhitelistJob::Mode::Show)
        return QStringLiteral("--check and --diff go with add, remove and set");
    plan->operation = QStringLiteral("whitelist ") + sub;
    plan->printerItems = args;
    plan->options.audit = mode != WhitelistJob::Mode::Show;
    plan->make = [mode, addresses, check](const QString &printer) -> Job * {
        return new WhitelistJob(printer, mode, addresses, check);
    };
    plan->auditIf = [](Job *job, const Result &) { return static_cast<WhitelistJob *>(job)->sent(); };
    plan->auditDetail = [](Job *job, const Result &result) {
        auto *w = static_cast<WhitelistJob *>(job);
        return QStringLiteral("%1; added: %2; removed: %3")
            .arg(result.ok() ? result.value : result.describe(), w->added().join(','), w->removed().join(','));
    };
    plan->describe = [mode, diff, check](Job *job, const Result &result, QJsonObject *report, QString *text) {
        auto *w = static_cast<WhitelistJob *>(job);
        if (mode == WhitelistJob::Mode::Show) {
            report->insert(QStringLiteral("value"), toJson(w->list()));
            return;
        }
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
        plan->options.audit = true;
        plan->make = requestJob([](const QString &p) { return Ops::clock(p, QDateTime::currentDateTime()); },
                                Ops::judgeClock);
    } else if (command == QLatin1String("counter")) {
        plan->make = requestJob(Ops::counter, Ops::judgeCounter);
    } else if (command == QLatin1String("clear")) {
        plan->options.audit = true;
        plan->make = requestJob(Ops::clear, Ops::judgeClear);
    } else if (command == QLatin1String("firmware")) {
        if (args.isEmpty())
            return QStringLiteral("firmware needs a FILE");
        const QString file = args.takeFirst();
        if (!QFileInfo(file).isFile() || !QFileInfo(file).isReadable())
            return QStringLiteral("not a readable regular file: ") + file;
        plan->options.audit = true;
        plan->options.parallel = 1;
        plan->make = requestJob([file](const QString &p) { return Ops::upgrade(p, file); }, Ops::judgeUpgrade);
    } else if (command == QLatin1String("network")) {
        const QString address = parser.value(QStringLiteral("address"));
        const QString mask = parser.value(QStringLiteral("mask"));
        const QString gateway = parser.value(QStringLiteral("gateway"));
        if (address.isEmpty() || mask.isEmpty() || gateway.isEmpty())
            return QStringLiteral("network needs --address, --mask and --gateway");
        if (args.size() != 1 || args.first().contains(QLatin1Char('/')) || args.first().startsWith(QLatin1Char('@')))
            return QStringLiteral("network configures exactly one PRINTER");
        plan->options.audit = true;
        plan->make = [address, mask, gateway](const QString &printer) -> Job * {
            return new NetworkJob(printer, address, mask, gateway);
        };
    } else if (command == QLatin1String("whitelist")) {
        const QString why = planWhitelist(parser, args, plan);
        if (!why.isEmpty())
            return why;
        args = plan->printerItems;
    } else if (command == QLatin1String("scan")) {
        plan->options.parallel = 64;
        plan->make = requestJob(
            [](const QString &p) {
                Prepared prepared = Ops::version(p);
                prepared.request.connectTimeoutMs = 1000;
                return prepared;
            },
            Ops::judgeVersion);
        plan->reportIf = [](const Result &r) { return r.ok(); };
    } else {
        return QStringLiteral("unknown command: ") + command;
    }
    if (args.isEmpty())
        return QStringLiteral("%1 needs at least one PRINTER").arg(command);
    plan->printerItems = args;
    return QString();
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
        {QStringLiteral("parallel"),
         QStringLiteral("Printers at once (default 16; firmware 1; scan 64)."), QStringLiteral("N")},
        {{QStringLiteral("q"), QStringLiteral("quiet")},
         QStringLiteral("No progress and no summary; of a change, only the failed printers.")},
        {QStringLiteral("address"), QStringLiteral("network: the new address."), QStringLiteral("A")},
        {QStringLiteral("mask"), QStringLiteral("network: the new subnet mask."), QStringLiteral("M")},
        {QStringLiteral("gateway"), QStringLiteral("network: the new default gateway."), QStringLiteral("G")},
        {QStringLiteral("check"), QStringLiteral("whitelist: send nothing, report which printers would change.")},
        {QStringLiteral("diff"), QStringLiteral("whitelist: print the addresses added and removed per printer.")},
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

    Plan p;
    const QString why = plan(parser, parser.positionalArguments(), &p);
    if (!why.isEmpty())
        return usage(why);
    if (parser.isSet(QStringLiteral("parallel"))) {
        bool number = false;
        p.options.parallel = parser.value(QStringLiteral("parallel")).toInt(&number);
        if (!number || p.options.parallel < 1 || p.options.parallel > 1024)
            return usage(QStringLiteral("--parallel takes a number from 1 to 1024"));
    }
    QStringList printers;
    QString expandWhy;
    if (!PrinterList::expand(p.printerItems, &printers, &expandWhy))
        return usage(expandWhy);
    if (printers.isEmpty())
        return usage(QStringLiteral("no printers"));

    p.options.operation = p.operation;
    p.options.json = parser.isSet(QStringLiteral("json"));
    p.options.quiet = parser.isSet(QStringLiteral("quiet"));
    p.options.progress = !p.options.quiet && ::isatty(STDERR_FILENO);
    Fleet fleet(p.options, p.make);
    if (p.describe)
        fleet.setDescribe(p.describe);
    if (p.auditIf)
        fleet.setAuditFilter(p.auditIf);
    if (p.auditDetail)
        fleet.setAuditDetail(p.auditDetail);
    if (p.reportIf)
        fleet.setReportFilter(p.reportIf);
    QObject::connect(&fleet, &Fleet::finished, &app, [](int code) { QCoreApplication::exit(code); });
    fleet.run(printers);
    return app.exec();
}

} // namespace Commands
