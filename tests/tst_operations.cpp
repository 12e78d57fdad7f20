#include "core/auditlog.h"
#include "core/operations.h"
#include "core/printeraddress.h"
#include "core/rolloutjob.h"
#include "core/whitelist.h"
#include "core/whitelistdatabase.h"
#include "net/httpservices.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

// The core's decisions without a window or a printer: what each operation
// sends, and how each answer is judged.
class TestOperations : public QObject
{
    Q_OBJECT

private slots:
    void judging_data();
    void judging();
    void requests();
    void refusedBeforeSending();
    void upgradeOutcomes();
    void networkStages();
    void listDifferences();
    void addressesInPlainForm();
    void rolloutRefusedBeforeUpload_data();
    void rolloutRefusedBeforeUpload();
    void auditLine();
    void storesAliveTogether();
};

void TestOperations::judging_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("delivered");
    QTest::newRow("success") << 200 << "x"
                             << "success" << true;
    QTest::newRow("refused") << 500 << "busy"
                             << "refused" << true;
    QTest::newRow("printer's own 404") << 404 << "nope"
                                       << "refused" << true;
    QTest::newRow("timeout, delivered") << 404 << "timeout"
                                        << "timeout" << true;
    QTest::newRow("timeout, never delivered") << 0 << "timeout"
                                              << "timeout" << false;
    QTest::newRow("no transport") << 0 << ""
                                  << "transport" << false;
}

void TestOperations::judging()
{
    QFETCH(int, status);
    QFETCH(QString, body);
    QFETCH(QString, kind);
    QFETCH(bool, delivered);
    const Result r = Result::fromRecord(status, body);
    QCOMPARE(r.kindName(), kind);
    QCOMPARE(r.delivered, delivered);
    QCOMPARE(r.ok(), kind == "success");
    QCOMPARE(Ops::judgeCounter(status, body).value, r.ok() ? body : QString());
}

void TestOperations::requests()
{
    const Prepared clock = Ops::clock("127.0.0.010", QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9)));
    QVERIFY(clock.ready());
    QCOMPARE(clock.request.url, QStringLiteral("http://127.0.0.10:9100/lsp/setTime.php"));
    QCOMPARE(clock.request.params, QStringList {"time=20261207140509"});
    QCOMPARE(clock.request.timeoutMs, 10000);
    const Prepared version = Ops::version("10.0.0.1");
    QCOMPARE(version.request.params, QStringList {"type=board"});
    QCOMPARE(Ops::counter("10.0.0.1").request.method, Request::Method::Get);
    QCOMPARE(Ops::clear("10.0.0.255").request.url, QStringLiteral("http://10.0.0.255:9100/lsp/clear.php"));
    const Prepared setIP = Ops::setIP("198.51.100.10", "198.51.100.20", "255.255.255.0", "198.51.100.1");
    QVERIFY(setIP.ready());
    QCOMPARE(setIP.request.params, (QStringList {"ip=198.51.100.20", "mask=255.255.255.0", "gateway=198.51.100.1"}));
    QCOMPARE(setIP.request.timeoutMs, 30000);
    QCOMPARE(Whitelist::upload("127.0.0.01", {"10.0.0.1"}).url,
             QStringLiteral("http://127.0.0.1:9100/lsp/config-strategies.php"));
}

void TestOperations::refusedBeforeSending()
{
    QCOMPARE(Ops::clock("10.0.0.255", QDateTime::currentDateTime()).refusal.kind, Result::Kind::NotSent);
    QVERIFY(!Ops::counter("printer").ready());
    QVERIFY(Ops::clear("10.0.0.255").ready()); // the queue takes pattern B
    QVERIFY(!Ops::upgrade("10.0.0.1", "/nonexistent/fw.bin").ready());
    QVERIFY(!Ops::upgrade("10.0.0.1", QDir::tempPath()).ready());
    const Prepared bad = Ops::setIP("198.51.100.10", "198.51.100.20", "255.0.255.0", "198.51.100.1");
    QVERIFY(!bad.ready());
    QVERIFY(bad.refusal.step > 0);
    QVERIFY(!bad.refusal.reason.isEmpty());
}

void TestOperations::upgradeOutcomes()
{
    QVERIFY(Ops::judgeUpgrade(200, "1001 ok").ok());
    const Result silent = Ops::judgeUpgrade(404, "timeout");
    QVERIFY(!silent.ok()); // a silence is not a confirmation
    QVERIFY(silent.reason.contains("default address"));
    QVERIFY(!Ops::judgeUpgrade(0, "timeout").reason.contains("default address"));
    const Result refused = Ops::judgeUpgrade(200, "bad image. Stored in:/x/y");
    QCOMPARE(refused.kind, Result::Kind::Refused);
    QCOMPARE(refused.value, QStringLiteral("/x/y"));
}

void TestOperations::networkStages()
{
    QVERIFY(Ops::needsProbe(404, "timeout"));
    QVERIFY(!Ops::needsProbe(0, "timeout")); // never delivered: nothing moved
    QVERIFY(!Ops::needsProbe(500, ""));
    QCOMPARE(Ops::probe("198.51.100.20").request.url, QStringLiteral("http://198.51.100.20:9100/lsp/getVersion.php"));
    QVERIFY(Ops::judgeProbe(200, "version:1").ok());
    QVERIFY(!Ops::judgeProbe(404, "timeout").ok());
}

void TestOperations::listDifferences()
{
    const QStringList before {"10.0.0.1", "10.0.0.2"};
    const QStringList after {"10.0.0.2", "10.0.0.3"};
    QCOMPARE(Whitelist::added(before, after), QStringList {"10.0.0.3"});
    QCOMPARE(Whitelist::removed(before, after), QStringList {"10.0.0.1"});
    QVERIFY(Whitelist::sameList({"a", "b"}, {"b", "a"}));
    QVERIFY(!Whitelist::sameList({"a", "b"}, {"a", "a"}));
    QVERIFY(!Whitelist::sameList({"a"}, {"a", "b"}));
}

// One address, one form: what is sent, stored and compared.
void TestOperations::addressesInPlainForm()
{
    const PrinterAddress a = PrinterAddress::parse("010.020.000.009");
    QVERIFY(a.isValid());
    QCOMPARE(a.plain(), QStringLiteral("10.20.0.9"));
    QCOMPARE(a.value(), quint32(0x0A140009));
    QCOMPARE(PrinterAddress::dotted(a.value()), QStringLiteral("10.20.0.9"));
    QVERIFY(a == PrinterAddress::parse("10.20.0.9"));
    QVERIFY(!PrinterAddress::parse("10.20.0.255").isHost());
    QVERIFY(!PrinterAddress::parse("10.20.0.256").isValid());
    QVERIFY(!PrinterAddress::parse("10.20.0.\u0669").isValid()); // no other digits
    QCOMPARE(Whitelist::normalized({"10.0.0.07", "10.0.0.7", "010.0.0.8", "10.0.0.8", "10.0.0.1"}),
             (QStringList {"10.0.0.7", "10.0.0.8", "10.0.0.1"}));
}

// A printer that could not be brought back from its factory address is
// never sent an image.
void TestOperations::rolloutRefusedBeforeUpload_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("gateway");
    QTest::addColumn<QString>("factory");
    QTest::addColumn<QString>("why");
    QTest::newRow("fine") << "255.255.255.0"
                          << "10.1.0.1"
                          << "10.1.0.250"
                          << "";
    QTest::newRow("no mask") << ""
                             << "10.1.0.1"
                             << "10.1.0.250"
                             << "no mask and gateway";
    QTest::newRow("no gateway") << "255.255.255.0"
                                << ""
                                << "10.1.0.250"
                                << "no mask and gateway";
    QTest::newRow("no factory address") << "255.255.255.0"
                                        << "10.1.0.1"
                                        << ""
                                        << "no factory_address";
    QTest::newRow("gateway elsewhere") << "255.255.255.0"
                                       << "10.2.0.1"
                                       << "10.1.0.250"
                                       << "fails rule";
}

void TestOperations::rolloutRefusedBeforeUpload()
{
    QFETCH(QString, mask);
    QFETCH(QString, gateway);
    QFETCH(QString, factory);
    QFETCH(QString, why);
    RolloutJob::Target t;
    t.address = "10.1.0.20";
    t.mask = mask;
    t.gateway = gateway;
    t.factoryAddress = factory;
    t.version = "2.1.0";
    t.image = "/nonexistent";
    const QString refusal = RolloutJob::refusal(t);
    QCOMPARE(refusal.isEmpty(), why.isEmpty());
    QVERIFY2(refusal.contains(why), qPrintable(refusal));
}

void TestOperations::auditLine()
{
    const AuditLog::Origin origin {"op", "root", "ws-7", "nettoolctl"};
    const QByteArray line = AuditLog::line(QDateTime(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC), origin, "127.0.0.010",
                                           "clock", Result::fromRecord(404, "timeout"), {{"file", "fw.bin"}});
    QVERIFY(line.endsWith('\n'));
    QCOMPARE(line.count('\n'), 1);
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    QCOMPARE(o.value("time").toString(), QStringLiteral("2026-12-07T12:00:00.000Z"));
    QCOMPARE(o.value("user").toString(), QStringLiteral("op"));
    QCOMPARE(o.value("printer").toString(), QStringLiteral("127.0.0.10"));
    QCOMPARE(o.value("operation").toString(), QStringLiteral("clock"));
    QCOMPARE(o.value("outcome").toString(), QStringLiteral("timeout"));
    QCOMPARE(o.value("ok").toBool(), false);
    QVERIFY(!o.contains("status")); // the time-out record's 404 is no answer
    QCOMPARE(o.value("effective_user").toString(), QStringLiteral("root"));
    QCOMPARE(o.value("host").toString(), QStringLiteral("ws-7"));
    QCOMPARE(o.value("source").toString(), QStringLiteral("nettoolctl"));
    QCOMPARE(o.value("file").toString(), QStringLiteral("fw.bin"));
}

// Two stores alive at once (two printers in one run) each keep their own
// connection; the default connection is never touched.
void TestOperations::storesAliveTogether()
{
    const QString a = WhiteListDatabase::databasePath("127.0.16.1");
    const QString b = WhiteListDatabase::databasePath("127.0.16.2");
    for (const QString &p : {a, b})
        QDir(WhiteListDatabase::directoryOf(p)).removeRecursively();
    {
        WhiteListDatabase first;
        WhiteListDatabase second;
        QVERIFY(first.insertIP(a, "10.0.0.1"));
        QVERIFY(second.insertIP(b, "10.0.0.2"));
        QVERIFY(first.insertIP(a, "10.0.0.3"));
        QCOMPARE(first.selectIPs(a), (QStringList {"10.0.0.1", "10.0.0.3"}));
        QCOMPARE(second.selectIPs(b), QStringList {"10.0.0.2"});
    }
    QVERIFY(!QSqlDatabase::contains(QSqlDatabase::defaultConnection));
    QCOMPARE(QSqlDatabase::connectionNames(), QStringList());
    for (const QString &p : {a, b})
        QDir(WhiteListDatabase::directoryOf(p)).removeRecursively();
}

QTEST_GUILESS_MAIN(TestOperations)
#include "tst_operations.moc"
