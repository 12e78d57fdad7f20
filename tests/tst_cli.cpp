#include "core/pagehistory.h"
#include "core/strategydomain.h"
#include "core/whitelist.h"
#include "core/whitelistdatabase.h"
#include "support/fakeprinter.h"
#include "support/simprinter.h"
#include "support/strategycipher.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// nettoolctl as an operator runs it, against scripted printers that this
// test process serves meanwhile: what is sent, what is printed, the exit
// status, the audit log and the store it shares with the window.
class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void fleetClockWithOneFailure();
    void readings();
    void firmwareOnePrinterAtATime();
    void whitelistAddRemoveShow();
    void whitelistSetCheckSendsNothing();
    void whitelistRefusedWhileLockedElsewhere();
    void scanFindsThePrinters();
    void usageErrorsSendNothing_data();
    void usageErrorsSendNothing();
    void signalWaitsForTheChangeOnItsWay_data();
    void signalWaitsForTheChangeOnItsWay();
    void killLeavesIntentThatSetRepairs();
    void timeoutHasNoStatus();
    void logAnswersWhoChangedWhat();
    void inventoryNamesPrinters();
    void statusOfAFleet();
    void pageReportAcrossACounterReset();

private:
    struct Run
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
        QList<QJsonObject> json() const;
    };
    Run ctl(const QStringList &args);
    // Starts nettoolctl without waiting, with the test's audit log.
    void startCtl(QProcess *process, const QStringList &args);
    // Waits (in the event loop) for a started nettoolctl to end.
    Run finish(QProcess *process, int ms);
    QStringList auditLines() const;
    QString writeFile(const QString &name, const QByteArray &bytes);
    void removeStore(const QString &printer);

    QTemporaryDir m_dir;
    QString m_audit;
};

QList<QJsonObject> TestCli::Run::json() const
{
    QList<QJsonObject> objects;
    for (const QByteArray &line : out.split('\n'))
        if (!line.isEmpty())
            objects << QJsonDocument::fromJson(line).object();
    return objects;
}

void TestCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_audit = m_dir.filePath("changes.jsonl");
}

void TestCli::cleanup()
{
    QFile::remove(m_audit);
}

TestCli::Run TestCli::ctl(const QStringList &args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NETTOOL_AUDIT_LOG", m_audit);
    process.setProcessEnvironment(env);
    // Waited for in the event loop: the printers answer from this process.
    QEventLoop loop;
    connect(&process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &loop, &QEventLoop::quit);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    process.start(qEnvironmentVariable("NETTOOL_BIN_DIR") + "/nettoolctl", args);
    loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
    Run run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

void TestCli::startCtl(QProcess *process, const QStringList &args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NETTOOL_AUDIT_LOG", m_audit);
    process->setProcessEnvironment(env);
    process->start(qEnvironmentVariable("NETTOOL_BIN_DIR") + "/nettoolctl", args);
}

TestCli::Run TestCli::finish(QProcess *process, int ms)
{
    QTest::qWaitFor([&] { return process->state() == QProcess::NotRunning; }, ms);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(5000);
    }
    Run run;
    run.exitCode = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    run.out = process->readAllStandardOutput();
    run.err = process->readAllStandardError();
    return run;
}

QStringList TestCli::auditLines() const
{
    QFile f(m_audit);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

QString TestCli::writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(m_dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return f.fileName();
}

void TestCli::removeStore(const QString &printer)
{
    QDir(WhiteListDatabase::directoryOf(WhiteListDatabase::databasePath(printer))).removeRecursively();
}

// Fifty printers from a list file, one of which refuses: one report each,
// the failure named, exit status 1, every change in the audit log.
void TestCli::fleetClockWithOneFailure()
{
    std::vector<std::unique_ptr<FakePrinter>> fleet;
    QByteArray list = "# the third floor\n\n";
    for (int i = 1; i <= 50; ++i) {
        const QString address = QStringLiteral("127.0.30.%1").arg(i);
        fleet.emplace_back(new FakePrinter(address));
        QVERIFY(fleet.back()->isListening());
        list += address.toLatin1() + (i % 10 == 0 ? "   # a comment\n" : "\n");
    }
    fleet[6]->answer("/lsp/setTime.php", 500, "busy");
    const Run run = ctl({"--json", "clock", "@" + writeFile("printers.txt", list)});
    QCOMPARE(run.exitCode, 1);
    const QList<QJsonObject> reports = run.json();
    QCOMPARE(reports.size(), 50);
    int failed = 0;
    for (const QJsonObject &r : reports) {
        QCOMPARE(r.value("operation").toString(), QStringLiteral("clock"));
        QVERIFY(r.contains("milliseconds"));
        if (!r.value("ok").toBool()) {
            ++failed;
            QCOMPARE(r.value("printer").toString(), QStringLiteral("127.0.30.7"));
            QCOMPARE(r.value("status").toInt(), 500);
        }
    }
    QCOMPARE(failed, 1);
    for (const auto &printer : fleet) {
        const auto sent = printer->requestsFor("/lsp/setTime.php");
        QCOMPARE(sent.size(), 1);
        QVERIFY(QRegularExpression("\\Atime=\\d{14}\\z").match(QString::fromLatin1(sent.first().body)).hasMatch());
    }
    QCOMPARE(auditLines().size(), 50);
    QVERIFY(run.err.contains("50 printers: 49 ok, 1 failed"));
}

void TestCli::readings()
{
    FakePrinter printer("127.0.31.1");
    printer.answer("/lsp/getVersion.php", 200, "version:4.2");
    printer.answer("/lsp/getPages.php", 200, "1234");
    Run run = ctl({"version", "127.0.31.1"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("127.0.31.1\tok\t4.2\n"));
    run = ctl({"--json", "counter", "127.0.31.1"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.json().first().value("value").toString(), QStringLiteral("1234"));
    run = ctl({"clear", "127.0.31.1"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(printer.requestsFor("/lsp/clear.php").size(), 1);
    // Readings are not changes; clearing is.
    QCOMPARE(auditLines().size(), 1);
    QVERIFY(auditLines().first().contains("\"operation\":\"clear\""));
}

void TestCli::firmwareOnePrinterAtATime()
{
    FakePrinter a("127.0.31.2");
    FakePrinter b("127.0.31.3");
    FakePrinter::Script slow;
    slow.body = "1001";
    slow.delayMs = 300;
    a.script("/lsp/upgrade.php", slow);
    b.script("/lsp/upgrade.php", slow);
    const QString file = writeFile("fw-2.0.tar.gz", QByteArray(100000, 'z'));
    QElapsedTimer clock;
    clock.start();
    const Run run = ctl({"--json", "firmware", file, "127.0.31.2", "127.0.31.3"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(clock.elapsed() >= 600); // one after the other
    for (FakePrinter *p : {&a, &b}) {
        const auto sent = p->requestsFor("/lsp/upgrade.php");
        QCOMPARE(sent.size(), 1);
        QVERIFY(sent.first().body.contains("filename=\"fw-2.0.tar.gz\""));
    }
    QCOMPARE(auditLines().size(), 2);
}

void TestCli::whitelistAddRemoveShow()
{
    const QString p = "127.0.31.4";
    removeStore(p);
    FakePrinter printer(p);
    QCOMPARE(ctl({"whitelist", "add", "10.0.0.7", p}).exitCode, 0);
    QCOMPARE(ctl({"whitelist", "add", "10.0.0.8", p}).exitCode, 0);
    const Run again = ctl({"whitelist", "add", "10.0.0.8", p});
    QVERIFY(again.out.contains("unchanged"));
    QCOMPARE(printer.requests().size(), 2); // the unchanged one sent nothing
    QCOMPARE(decryptStrategies(printer.requests().last().body),
             StrategyDomain::createStrategyXml({"10.0.0.7", "10.0.0.8"}));
    QCOMPARE(ctl({"whitelist", "remove", "10.0.0.7", p}).exitCode, 0);
    // The window's store: what the window would load now.
    QCOMPARE(WhiteListDatabase().selectIPs(WhiteListDatabase::databasePath(p)), QStringList {"10.0.0.8"});
    const Run shown = ctl({"--json", "whitelist", "show", p});
    QCOMPARE(shown.json().first().value("value").toArray().toVariantList(), QVariantList {"10.0.0.8"});
    // A refusal leaves the store as it was.
    printer.answer("/lsp/config-strategies.php", 500, "no");
    QCOMPARE(ctl({"whitelist", "add", "10.0.0.9", p}).exitCode, 1);
    QCOMPARE(WhiteListDatabase().selectIPs(WhiteListDatabase::databasePath(p)), QStringList {"10.0.0.8"});
    QCOMPARE(auditLines().size(), 4);
    removeStore(p);
}

void TestCli::whitelistSetCheckSendsNothing()
{
    const QString p = "127.0.31.5";
    const QString q = "127.0.31.6";
    removeStore(p);
    removeStore(q);
    FakePrinter printerP(p);
    FakePrinter printerQ(q);
    QVERIFY(WhiteListDatabase().insertIP(WhiteListDatabase::databasePath(p), "10.0.0.1"));
    QVERIFY(WhiteListDatabase().insertIP(WhiteListDatabase::databasePath(q), "10.0.0.2"));
    QVERIFY(WhiteListDatabase().insertIP(WhiteListDatabase::databasePath(q), "10.0.0.1"));
    const QString desired = writeFile("desired.txt", "10.0.0.1\n# lab\n10.0.0.2\n");

    Run check = ctl({"--json", "whitelist", "set", desired, p, q, "--check", "--diff"});
    QCOMPARE(check.exitCode, 0);
    QTest::qWait(200);
    QVERIFY(printerP.requests().isEmpty());
    QVERIFY(printerQ.requests().isEmpty());
    QVERIFY(auditLines().isEmpty());
    for (const QJsonObject &r : check.json()) {
        if (r.value("printer").toString() == p) {
            QVERIFY(r.value("changed").toBool());
            QCOMPARE(r.value("added").toArray().toVariantList(), QVariantList {"10.0.0.2"});
        } else {
            QVERIFY(!r.value("changed").toBool()); // same members, other order
        }
    }

    const Run set = ctl({"whitelist", "set", desired, p, q, "--diff"});
    QCOMPARE(set.exitCode, 0);
    QVERIFY(set.out.contains("  + 10.0.0.2"));
    QCOMPARE(printerP.requests().size(), 1);
    QVERIFY(printerQ.requests().isEmpty());
    QCOMPARE(WhiteListDatabase().selectIPs(WhiteListDatabase::databasePath(p)), (QStringList {"10.0.0.1", "10.0.0.2"}));
    QCOMPARE(auditLines().size(), 1);
    removeStore(p);
    removeStore(q);
}

void TestCli::whitelistRefusedWhileLockedElsewhere()
{
    const QString p = "127.0.31.7";
    removeStore(p);
    FakePrinter printer(p);
    Whitelist::PrinterLock window(p);
    QString why;
    QCOMPARE(window.acquire(&why), Whitelist::PrinterLock::Outcome::Held);
    const Run run = ctl({"whitelist", "add", "10.0.0.1", p});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.contains("under way"));
    QVERIFY(printer.requests().isEmpty());
    removeStore(p);
}

void TestCli::scanFindsThePrinters()
{
    std::vector<std::unique_ptr<FakePrinter>> found;
    for (int host : {3, 77, 254}) {
        found.emplace_back(new FakePrinter(QStringLiteral("127.0.32.%1").arg(host)));
        found.back()->answer("/lsp/getVersion.php", 200, "version:" + QByteArray::number(host));
    }
    const Run run = ctl({"scan", "127.0.32.0/24"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("127.0.32.3\tok\t3\n127.0.32.77\tok\t77\n127.0.32.254\tok\t254\n"));
}

void TestCli::usageErrorsSendNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no command") << QStringList {};
    QTest::newRow("whitelist without subcommand") << QStringList {"whitelist"};
    QTest::newRow("unknown command") << QStringList {"reboot", "127.0.33.1"};
    QTest::newRow("no printer") << QStringList {"clock"};
    QTest::newRow("bad printer") << QStringList {"clock", "127.0.33.1", "printer-3"};
    QTest::newRow("range too large") << QStringList {"clock", "10.0.0.0/8"};
    QTest::newRow("missing list file") << QStringList {"clock", "@/nonexistent/printers.txt"};
    QTest::newRow("firmware not a file") << QStringList {"firmware", "/nonexistent.bin", "127.0.33.1"};
    QTest::newRow("network without mask") << QStringList {"network", "127.0.33.1", "--address", "10.0.0.2"};
    QTest::newRow("whitelist bad address") << QStringList {"whitelist", "add", "10.0.0", "127.0.33.1"};
    QTest::newRow("parallel zero") << QStringList {"--parallel", "0", "clock", "127.0.33.1"};
}

void TestCli::usageErrorsSendNothing()
{
    QFETCH(QStringList, args);
    FakePrinter printer("127.0.33.1");
    const Run run = ctl(args);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(!run.err.isEmpty());
    QVERIFY(run.out.isEmpty());
    QVERIFY(printer.requests().isEmpty());
}

namespace {
QStringList simWhitelist(const SimPrinter &sim)
{
    QStringList list;
    for (const QJsonValue &v : sim.state().value("whitelist").toArray())
        list << v.toString();
    return list;
}

// The simulated printer holds its answer to config-strategies for two
// seconds, applying the list after the wait whatever the client does.
bool delayWhitelist(const SimPrinter &sim)
{
    return sim.control({{"endpoint", "config-strategies"}, {"delay", 2}});
}

bool waitForRequest(const SimPrinter &sim)
{
    return QTest::qWaitFor([&] { return sim.state().value("requests").toInt() > 0; }, 5000);
}
} // namespace

// A signal while the printer is taking a new list: nettoolctl waits for the
// answer, records it (store, one audit line, no intent left), and only
// then exits with 128 + the signal.
void TestCli::signalWaitsForTheChangeOnItsWay_data()
{
    QTest::addColumn<int>("sig");
    QTest::addColumn<QString>("printer");
    QTest::newRow("SIGINT") << int(SIGINT) << "127.0.35.1";
    QTest::newRow("SIGTERM") << int(SIGTERM) << "127.0.35.2";
    QTest::newRow("SIGHUP") << int(SIGHUP) << "127.0.35.3";
}

void TestCli::signalWaitsForTheChangeOnItsWay()
{
    QFETCH(int, sig);
    QFETCH(QString, printer);
    removeStore(printer);
    SimPrinter sim(printer);
    QVERIFY(sim.isRunning());
    QVERIFY(delayWhitelist(sim));
    const QString desired = writeFile("signal.txt", "10.0.0.1\n10.0.0.2\n");
    QProcess process;
    startCtl(&process, {"whitelist", "set", desired, printer});
    QVERIFY(waitForRequest(sim));
    ::kill(pid_t(process.processId()), sig);
    const Run run = finish(&process, 15000);
    QCOMPARE(run.exitCode, 128 + sig);
    QCOMPARE(simWhitelist(sim), (QStringList {"10.0.0.1", "10.0.0.2"}));
    QCOMPARE(WhiteListDatabase().selectIPs(WhiteListDatabase::databasePath(printer)),
             (QStringList {"10.0.0.1", "10.0.0.2"}));
    QCOMPARE(auditLines().size(), 1);
    QVERIFY(auditLines().first().contains("\"ok\":true"));
    QVERIFY(!QFileInfo::exists(Whitelist::intentPath(printer)));
    removeStore(printer);
}

// SIGKILL (or a second signal) leaves the intent: show says the printer is
// uncertain with both lists, and set sends the list again though the store
// already matches it.
void TestCli::killLeavesIntentThatSetRepairs()
{
    const QString printer = "127.0.35.4";
    removeStore(printer);
    SimPrinter sim(printer);
    QVERIFY(sim.isRunning());
    QVERIFY(WhiteListDatabase().insertIP(WhiteListDatabase::databasePath(printer), "10.0.0.9"));
    QVERIFY(delayWhitelist(sim));
    const QString desired = writeFile("kill.txt", "10.0.0.1\n");
    QProcess process;
    startCtl(&process, {"whitelist", "set", desired, printer});
    QVERIFY(waitForRequest(sim));
    process.kill();
    finish(&process, 5000);
    QVERIFY(QFileInfo::exists(Whitelist::intentPath(printer)));
    QVERIFY(auditLines().isEmpty());

    Run shown = ctl({"--json", "whitelist", "show", printer});
    QCOMPARE(shown.exitCode, 0);
    QJsonObject o = shown.json().value(0);
    QCOMPARE(o.value("state").toString(), QStringLiteral("uncertain"));
    QCOMPARE(o.value("value").toArray().toVariantList(), QVariantList {"10.0.0.9"});
    QCOMPARE(o.value("pending").toArray().toVariantList(), QVariantList {"10.0.0.1"});

    // The store's own list, set again: never "unchanged" while uncertain.
    QTRY_COMPARE_WITH_TIMEOUT(simWhitelist(sim), QStringList {"10.0.0.1"}, 5000);
    QVERIFY(sim.control({{"endpoint", "config-strategies"}, {"clear", true}}));
    const QString stored = writeFile("stored.txt", "10.0.0.9\n");
    const Run repaired = ctl({"--json", "whitelist", "set", stored, printer});
    QCOMPARE(repaired.exitCode, 0);
    QCOMPARE(repaired.json().value(0).value("value").toString(), QStringLiteral("changed"));
    QCOMPARE(simWhitelist(sim), QStringList {"10.0.0.9"});
    QVERIFY(!QFileInfo::exists(Whitelist::intentPath(printer)));
    shown = ctl({"--json", "whitelist", "show", printer});
    QCOMPARE(shown.json().value(0).value("state").toString(), QStringLiteral("recorded"));
    QVERIFY(ctl({"whitelist", "set", stored, printer}).out.contains("unchanged"));
    removeStore(printer);
}

// No answer within the time-out: no HTTP status (never the record's 404).
void TestCli::timeoutHasNoStatus()
{
    FakePrinter printer("127.0.35.5");
    FakePrinter::Script hold;
    hold.mode = FakePrinter::Mode::Hold;
    printer.script("/lsp/setTime.php", hold);
    const Run run = ctl({"--json", "clock", "127.0.35.5"});
    QCOMPARE(run.exitCode, 1);
    const QJsonObject o = run.json().value(0);
    QVERIFY(o.contains("status"));
    QVERIFY(o.value("status").isNull());
    QCOMPARE(o.value("outcome").toString(), QStringLiteral("timeout"));
    QCOMPARE(o.value("ok").toBool(), false);
}

// "Who changed this printer's whitelist, and when": one command over the
// audit log, by printer and date, oldest first.
void TestCli::logAnswersWhoChangedWhat()
{
    const QString p = "127.0.35.6";
    removeStore(p);
    FakePrinter printer(p);
    FakePrinter other("127.0.35.7");
    QCOMPARE(ctl({"whitelist", "add", "10.0.0.7", p}).exitCode, 0);
    QCOMPARE(ctl({"clock", "127.0.35.7"}).exitCode, 0);
    QCOMPARE(ctl({"whitelist", "remove", "10.0.0.7", p}).exitCode, 0);
    Run log = ctl({"--json", "log", p});
    QCOMPARE(log.exitCode, 0);
    const QList<QJsonObject> lines = log.json();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].value("added").toArray().toVariantList(), QVariantList {"10.0.0.7"});
    QCOMPARE(lines[1].value("removed").toArray().toVariantList(), QVariantList {"10.0.0.7"});
    for (const QJsonObject &l : lines) {
        QCOMPARE(l.value("operation").toString(), QStringLiteral("whitelist"));
        QCOMPARE(l.value("source").toString(), QStringLiteral("nettoolctl"));
        QVERIFY(!l.value("host").toString().isEmpty());
        QVERIFY(!l.value("user").toString().isEmpty());
    }
    QCOMPARE(ctl({"log"}).out.count('\n'), 3);
    QVERIFY(ctl({"log", p, "--since", "2999-01-01"}).out.isEmpty());
    QCOMPARE(ctl({"log", p, "--since", "yesterday"}).exitCode, 2);
    removeStore(p);
}

// With an inventory, printers are named by host, group or tag, every host
// without any, and reports carry the name; a bad inventory sends nothing.
void TestCli::inventoryNamesPrinters()
{
    FakePrinter lobby("127.0.35.8");
    FakePrinter cellar("127.0.35.9");
    lobby.answer("/lsp/getVersion.php", 200, "version:1.0");
    cellar.answer("/lsp/getVersion.php", 200, "version:2.0");
    const QString inventory = writeFile("fleet.yml",
                                        "all:\n  children:\n    upstairs:\n      hosts:\n"
                                        "        lobby: {address: 127.0.35.8, tags: [colour]}\n"
                                        "    downstairs:\n      hosts:\n"
                                        "        cellar: {address: 127.0.35.9}\n");
    Run run = ctl({"-i", inventory, "--json", "version"});
    QCOMPARE(run.exitCode, 0);
    QList<QJsonObject> reports = run.json();
    QCOMPARE(reports.size(), 2);
    for (const QJsonObject &r : reports)
        QCOMPARE(r.value("name").toString(),
                 r.value("printer").toString() == "127.0.35.8" ? QStringLiteral("lobby") : QStringLiteral("cellar"));
    run = ctl({"-i", inventory, "version", "tag:colour"});
    QCOMPARE(run.out, QByteArray("lobby (127.0.35.8)\tok\t1.0\n"));
    run = ctl({"-i", inventory, "version", "downstairs", "127.0.35.8"});
    QCOMPARE(run.out.count('\n'), 2);
    QCOMPARE(ctl({"-i", inventory, "version", "attic"}).exitCode, 2);
    QCOMPARE(ctl({"apply"}).exitCode, 2); // apply needs an inventory

    const int before = lobby.requests().size() + cellar.requests().size();
    const QString bad = writeFile("bad.yml", "all:\n  hosts:\n    lobby: {address: 127.0.35.8, colour: red}\n");
    run = ctl({"-i", bad, "clock"});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains("bad.yml:3:"));
    QVERIFY(run.err.contains("unknown variable: colour"));
    QCOMPARE(lobby.requests().size() + cellar.requests().size(), before);
}

// One printer that answers, one silent address, one that refuses: a row
// each in inventory order, read only, the last change from the audit log.
void TestCli::statusOfAFleet()
{
    FakePrinter good("127.0.35.10");
    FakePrinter refusing("127.0.35.11");
    good.answer("/lsp/getVersion.php", 200, "version:2.1.0");
    good.answer("/lsp/getPages.php", 200, "4711");
    refusing.answer("/lsp/getVersion.php", 500, "busy");
    refusing.answer("/lsp/getPages.php", 500, "busy");
    const QString inventory = writeFile("status.yml",
                                        "all:\n  vars:\n    firmware: {version: \"2.1.0\", image: status.yml}\n"
                                        "  hosts:\n    refusing: {address: 127.0.35.11}\n"
                                        "    silent: {address: 127.0.35.12}\n"
                                        "    good: {address: 127.0.35.10}\n");
    QCOMPARE(ctl({"clock", "127.0.35.10"}).exitCode, 0);
    const int before = good.requests().size() + refusing.requests().size();
    const QString metrics = m_dir.filePath("nettool.prom");
    Run run = ctl({"-i", inventory, "status", "--format", "json", "--prometheus", metrics});
    QCOMPARE(run.exitCode, 1); // one printer is not there
    const QList<QJsonObject> rows = run.json();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].value("name").toString(), QStringLiteral("refusing"));
    QCOMPARE(rows[0].value("reachable").toBool(), true);
    QVERIFY(rows[0].value("version").isNull());
    QVERIFY(rows[0].value("conforms").isNull());
    QCOMPARE(rows[1].value("name").toString(), QStringLiteral("silent"));
    QCOMPARE(rows[1].value("reachable").toBool(), false);
    QVERIFY(rows[1].value("pages").isNull());
    QCOMPARE(rows[2].value("address").toString(), QStringLiteral("127.0.35.10"));
    QCOMPARE(rows[2].value("version").toString(), QStringLiteral("2.1.0"));
    QCOMPARE(rows[2].value("target").toString(), QStringLiteral("2.1.0"));
    QCOMPARE(rows[2].value("conforms").toBool(), true);
    QCOMPARE(rows[2].value("pages").toInt(), 4711);
    QCOMPARE(rows[2].value("whitelist").toString(), QStringLiteral("none"));
    QCOMPARE(rows[2].value("last_change").toObject().value("operation").toString(), QStringLiteral("clock"));
    QVERIFY(rows[0].value("last_change").isNull());
    for (const QJsonObject &r : rows)
        QCOMPARE(r.keys(),
                 (QStringList {"address", "conforms", "last_change", "name", "pages", "reachable", "target", "version",
                               "whitelist"}));
    // Only readings went out, and none was audited.
    for (const auto *p : {&good, &refusing})
        for (const auto &request : p->requests())
            QVERIFY(request.path == "/lsp/getVersion.php" || request.path == "/lsp/getPages.php"
                    || request.path == "/lsp/setTime.php");
    QCOMPARE(good.requests().size() + refusing.requests().size(), before + 4);
    QCOMPARE(auditLines().size(), 1);
    QFile prom(metrics);
    QVERIFY(prom.open(QIODevice::ReadOnly));
    const QByteArray text = prom.readAll();
    QVERIFY(text.contains("nettool_printer_up{printer=\"127.0.35.12\",name=\"silent\"} 0"));
    QVERIFY(text.contains("nettool_printer_pages_total{printer=\"127.0.35.10\",name=\"good\"} 4711"));
    QVERIFY(text.contains("nettool_printer_firmware_info{printer=\"127.0.35.10\",name=\"good\",version=\"2.1.0\"} 1"));

    run = ctl({"status", "127.0.35.12", "127.0.35.10", "--format", "csv"});
    const QList<QByteArray> lines = run.out.split('\n');
    QCOMPARE(lines.value(0), QByteArray("name,address,reachable,version,target,conforms,pages,whitelist,last_change"));
    QVERIFY(lines.value(1).startsWith(",127.0.35.10,true,2.1.0,,,4711,none,")); // address order
    QVERIFY(lines.value(2).startsWith(",127.0.35.12,false,"));
}

// The pages printed in a month from the recorded readings; a counter that
// went down (a replaced board) adds only its rises.
void TestCli::pageReportAcrossACounterReset()
{
    QList<PageHistory::Reading> readings;
    auto at = [](int day) { return QDateTime(QDate(2026, 11, day), QTime(8, 0), Qt::UTC); };
    for (auto [day, pages] : std::vector<std::pair<int, int>> {{1, 1000}, {10, 1500}, {12, 40}, {20, 140}, {28, 300}})
        readings.append({at(day), pages});
    PageHistory::Period period;
    QVERIFY(PageHistory::pagesIn(readings, at(1), at(28), &period));
    QCOMPARE(period.pages, qint64(500 + 100 + 160));
    QVERIFY(PageHistory::pagesIn(readings, at(5), at(25), &period));
    QCOMPARE(period.first.time, at(1)); // the readings that bound the period
    QCOMPARE(period.last.time, at(28));
    QVERIFY(!PageHistory::pagesIn(readings, at(29), at(30), &period));
    QVERIFY(!PageHistory::pagesIn(readings.mid(0, 1), at(1), at(28), &period));

    const QString history = m_dir.filePath("pages.sqlite");
    qputenv("NETTOOL_PAGE_HISTORY", history.toLocal8Bit());
    QString why;
    for (const PageHistory::Reading &r : readings)
        QVERIFY2(PageHistory::record("127.0.35.13", r.pages, r.time, &why), qPrintable(why));
    // A live reading is recorded too.
    FakePrinter printer("127.0.35.14");
    printer.answer("/lsp/getPages.php", 200, "77");
    QCOMPARE(ctl({"counter", "127.0.35.14"}).exitCode, 0);
    QList<PageHistory::Reading> live;
    QVERIFY(PageHistory::readings("127.0.35.14", &live, &why));
    QCOMPARE(live.size(), 1);
    QCOMPARE(live.first().pages, qint64(77));

    const Run run = ctl({"report", "pages", "--from", "2026-11-01", "--to", "2026-11-29", "--json"});
    QCOMPARE(run.exitCode, 0);
    const QList<QJsonObject> rows = run.json();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].value("address").toString(), QStringLiteral("127.0.35.13"));
    QCOMPARE(rows[0].value("pages").toInt(), 760);
    QCOMPARE(rows[0].value("from_reading").toString(), QStringLiteral("2026-11-01T08:00:00Z"));
    QVERIFY(rows[1].value("pages").isNull()); // one reading, outside the period
    QVERIFY(run.err.contains("127.0.35.14"));
    QCOMPARE(ctl({"report", "pages", "--from", "2026-11-29", "--to", "2026-11-01"}).exitCode, 2);
    qunsetenv("NETTOOL_PAGE_HISTORY");
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
