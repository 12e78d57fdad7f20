#include "core/strategydomain.h"
#include "core/whitelistupload.h"
#include "net/httpservices.h"
#include "net/multipart.h"
#include "support/simprinter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

// Where the simulated printer decides: its input checks, the state it keeps
// and its fault controls. (Its parsers are PHP's own.)
class TestPrinterSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void version();
    void clock_data();
    void clock();
    void network_data();
    void network();
    void firmware();
    void countersAndQueue();
    void whitelist();
    void malformedStrategies_data();
    void malformedStrategies();
    void faults();
    void unknownPath();
    void refusalNeverHolds1001();
    void neverIsSilenceUntilTheClientGivesUp();
    void stateThatCannotBeLockedIs500();
    void stoppingFreesThePort();

private:
    SimPrinter::Answer post(const char *endpoint, const QByteArray &body)
    {
        return m_sim->request("POST", QString("/lsp/%1.php").arg(endpoint), body);
    }
    SimPrinter::Answer upload(const QByteArray &content, const QMap<QString, QString> &fields,
                              const QString &name = "fw.tar.gz")
    {
        const QByteArray boundary = Multipart::boundaryFrom(1, 2, 3);
        return m_sim->request("POST", "/lsp/upgrade.php",
                              Multipart::buildBody(boundary, fields, "Zipfile", name, content),
                              Multipart::contentType(boundary));
    }
    static QByteArray encrypted(const QString &xml, const QString &key = "pelrok")
    {
        HttpServices service;
        return WhitelistUpload::parameter(service.aesEncrypt(xml, key)).toLatin1();
    }
    std::unique_ptr<SimPrinter> m_sim;
};

void TestPrinterSim::initTestCase()
{
    m_sim.reset(new SimPrinter("127.0.10.1"));
    QVERIFY(m_sim->isRunning());
}

void TestPrinterSim::init()
{
    QVERIFY(m_sim->control({{"reset", true}}));
}

void TestPrinterSim::version()
{
    const auto ok = post("getVersion", "type=board");
    QCOMPARE(ok.status, 200);
    QCOMPARE(ok.body, QByteArray("version:1.0.0"));
    QCOMPARE(post("getVersion", "type=other").status, 400);
    QCOMPARE(post("getVersion", "").status, 400);
    QCOMPARE(m_sim->request("GET", "/lsp/getVersion.php").status, 405);
}

void TestPrinterSim::clock_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::newRow("13 digits") << QByteArray("time=2026120708150") << 400;
    QTest::newRow("letters") << QByteArray("time=2026120708150a") << 400;
    QTest::newRow("month 13") << QByteArray("time=20261307081500") << 400;
    QTest::newRow("hour 24") << QByteArray("time=20261207240000") << 400;
    QTest::newRow("missing") << QByteArray("clock=20261207081500") << 400;
}

void TestPrinterSim::clock()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QCOMPARE(post("setTime", body).status, status);
    QCOMPARE(m_sim->state().value("clock_offset").toInt(), 0);
}

void TestPrinterSim::network_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::newRow("valid") << QByteArray("ip=10.0.0.5&mask=255.0.0.0&gateway=10.0.0.1") << 200;
    QTest::newRow("bad ip") << QByteArray("ip=10.0.0.256&mask=255.0.0.0&gateway=10.0.0.1") << 400;
    QTest::newRow("holey mask") << QByteArray("ip=10.0.0.5&mask=255.0.255.0&gateway=10.0.0.1") << 400;
    QTest::newRow("gateway elsewhere") << QByteArray("ip=10.0.0.5&mask=255.255.255.0&gateway=10.0.1.1") << 400;
    QTest::newRow("missing gateway") << QByteArray("ip=10.0.0.5&mask=255.0.0.0") << 400;
}

void TestPrinterSim::network()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QCOMPARE(post("setIP", body).status, status);
    const QJsonObject network = m_sim->state().value("network").toObject();
    if (status == 200) {
        QCOMPARE(network.value("ip").toString(), QStringLiteral("10.0.0.5"));
        QCOMPARE(network.value("gateway").toString(), QStringLiteral("10.0.0.1"));
    } else {
        QCOMPARE(network.value("ip").toString(), QStringLiteral("127.0.10.1"));
    }
}

void TestPrinterSim::firmware()
{
    QTemporaryDir dir;
    QFile version(dir.filePath("version"));
    QVERIFY(version.open(QIODevice::WriteOnly));
    version.write("3.1.4\nbuild notes\n");
    version.close();
    QCOMPARE(QProcess::execute("tar", {"czf", dir.filePath("fw.tar.gz"), "-C", dir.path(), "version"}), 0);
    QFile tarball(dir.filePath("fw.tar.gz"));
    QVERIFY(tarball.open(QIODevice::ReadOnly));
    const QByteArray image = tarball.readAll();

    QCOMPARE(upload(image, {}).status, 400); // no type field
    const auto refused = upload("not a tarball", {{"type", "board"}});
    QCOMPARE(refused.status, 400);
    QVERIFY(refused.body.contains("Stored in:"));
    const QString kept = m_sim->stateDir() + "/" + QString::fromUtf8(refused.body).section("Stored in:", 1, 1);
    QVERIFY(QFile::exists(kept));
    QCOMPARE(QFile(kept).size(), qint64(13));
    QCOMPARE(m_sim->state().value("firmware").toString(), QStringLiteral("1.0.0"));

    const auto accepted = upload(image, {{"type", "board"}});
    QCOMPARE(accepted.status, 200);
    QVERIFY(accepted.body.contains("1001"));
    QCOMPARE(m_sim->state().value("firmware").toString(), QStringLiteral("3.1.4"));
    QCOMPARE(post("getVersion", "type=board").body, QByteArray("version:3.1.4"));
}

void TestPrinterSim::countersAndQueue()
{
    QCOMPARE(m_sim->request("GET", "/lsp/getPages.php").body, QByteArray("1024"));
    QVERIFY(m_sim->control({{"pages", 77}}));
    QCOMPARE(m_sim->request("GET", "/lsp/getPages.php").body, QByteArray("77"));
    QCOMPARE(m_sim->state().value("queue").toArray().size(), 2);
    QCOMPARE(m_sim->request("GET", "/lsp/clear.php").status, 200);
    QVERIFY(m_sim->state().value("queue").toArray().isEmpty());
    QCOMPARE(m_sim->request("POST", "/lsp/clear.php").status, 405);
}

void TestPrinterSim::whitelist()
{
    const QStringList list {"10.0.0.5", "10.0.0.07", "192.168.1.255"};
    QCOMPARE(post("config-strategies", encrypted(StrategyDomain::createStrategyXml(list))).status, 200);
    QJsonArray expected;
    for (const QString &a : list)
        expected << a;
    QCOMPARE(m_sim->state().value("whitelist").toArray(), expected);
    QCOMPARE(post("config-strategies", encrypted(StrategyDomain::createStrategyXml({}))).status, 200);
    QVERIFY(m_sim->state().value("whitelist").toArray().isEmpty());
    QCOMPARE(m_sim->state().value("auth_type").toString(), QStringLiteral("None"));
}

void TestPrinterSim::malformedStrategies_data()
{
    QTest::addColumn<QByteArray>("body");
    const QString good = StrategyDomain::createStrategyXml({"10.0.0.5"});
    QTest::newRow("missing") << QByteArray("other=1");
    QTest::newRow("not base64") << QByteArray("strategies=%%%%");
    QTest::newRow("other key") << encrypted(good, "wrong");
    QTest::newRow("not xml") << encrypted("plain words");
    QTest::newRow("no blacklist") << encrypted(QString(good).remove(
        QRegularExpression("<BlackList>.*</BlackList>", QRegularExpression::DotMatchesEverythingOption)));
    QTest::newRow("None with addresses") << encrypted(QString(good).replace("<AuthType>IP", "<AuthType>None"));
    QTest::newRow("IP without addresses")
        << encrypted(StrategyDomain::createStrategyXml({}).replace("<AuthType>None", "<AuthType>IP"));
    QTest::newRow("bad address") << encrypted(StrategyDomain::createStrategyXml({"10.0.0.256"}));
    QTest::newRow("wrong type") << encrypted(QString(good).replace("type=\"Auth\"", "type=\"Deny\""));
}

void TestPrinterSim::malformedStrategies()
{
    QFETCH(QByteArray, body);
    QVERIFY(m_sim->control({{"reset", true}}));
    QCOMPARE(post("config-strategies", encrypted(StrategyDomain::createStrategyXml({"10.1.1.1"}))).status, 200);
    const auto answer = post("config-strategies", body);
    QCOMPARE(answer.status, 400);
    QVERIFY(!answer.body.isEmpty()); // a reason
    QCOMPARE(m_sim->state().value("whitelist").toArray(), QJsonArray {"10.1.1.1"});
}

void TestPrinterSim::faults()
{
    QVERIFY(m_sim->control({{"endpoint", "getPages"}, {"status", 503}, {"body", "busy"}}));
    const auto failed = m_sim->request("GET", "/lsp/getPages.php");
    QCOMPARE(failed.status, 503);
    QCOMPARE(failed.body, QByteArray("busy"));

    QVERIFY(m_sim->control({{"endpoint", "getPages"}, {"delay", 1.0}}));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(m_sim->request("GET", "/lsp/getPages.php").status, 200);
    QVERIFY(clock.elapsed() >= 950);

    QVERIFY(m_sim->control({{"endpoint", "clear"}, {"never", true}, {"never_seconds", 3}}));
    QCOMPARE(m_sim->request("GET", "/lsp/clear.php", {}, {}, 1000).status, 0);
    QCOMPARE(m_sim->state().value("queue").toArray().size(), 2); // never ran

    QVERIFY(m_sim->control({{"endpoint", "getPages"}, {"clear", true}}));
    QCOMPARE(m_sim->request("GET", "/lsp/getPages.php").status, 200);
}

void TestPrinterSim::unknownPath()
{
    QCOMPARE(m_sim->request("GET", "/lsp/format.php").status, 404);
    QCOMPARE(m_sim->request("GET", "/lib.php").status, 404);
    QCOMPARE(m_sim->request("POST", "/sim/control", "not json", "application/json").status, 400);
}

// The tool reads any upgrade answer holding "1001" as success: a refusal
// must never hold it, whatever the file's name or the hour.
void TestPrinterSim::refusalNeverHolds1001()
{
    for (int i = 0; i < 5; ++i) {
        const auto refused = upload("not a tarball", {{"type", "board"}}, "fw-1001.gz");
        QCOMPARE(refused.status, 400);
        QVERIFY(!refused.body.contains("1001"));
        QVERIFY(QRegularExpression("Stored in:uploads/rejected-[a-z]{12}\\z").match(refused.body).hasMatch());
    }
}

// Five held connections, more than the server has workers, each given up
// by its client: every worker is free again at once, and none answered.
void TestPrinterSim::neverIsSilenceUntilTheClientGivesUp()
{
    QVERIFY(m_sim->control({{"endpoint", "getPages"}, {"never", true}, {"never_seconds", 60}}));
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < 5; ++i) {
        clients.emplace_back(new QTcpSocket);
        clients.back()->connectToHost(m_sim->address(), 9100);
        QVERIFY(clients.back()->waitForConnected(2000));
        clients.back()->write("GET /lsp/getPages.php HTTP/1.1\r\nHost: x\r\n\r\n");
        clients.back()->waitForBytesWritten(1000);
    }
    QTest::qWait(1000);
    for (auto &client : clients) {
        QCOMPARE(client->bytesAvailable(), qint64(0));
        client->abort();
    }
    QVERIFY(m_sim->control({{"endpoint", "getPages"}, {"clear", true}}));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(m_sim->request("GET", "/lsp/getPages.php", {}, {}, 5000).status, 200);
    QVERIFY(clock.elapsed() < 5000);

    // A client that waits sees the connection end without a byte.
    QVERIFY(m_sim->control({{"endpoint", "clear"}, {"never", true}, {"never_seconds", 1}}));
    QTcpSocket patient;
    patient.connectToHost(m_sim->address(), 9100);
    QVERIFY(patient.waitForConnected(2000));
    patient.write("GET /lsp/clear.php HTTP/1.1\r\nHost: x\r\n\r\n");
    QVERIFY(QTest::qWaitFor([&] { return patient.state() == QAbstractSocket::UnconnectedState; }, 5000));
    QCOMPARE(patient.readAll(), QByteArray());
}

void TestPrinterSim::stateThatCannotBeLockedIs500()
{
    const QString lock = m_sim->stateDir() + "/state.lock";
    QVERIFY(QFile::remove(lock));
    QVERIFY(QDir().mkdir(lock)); // cannot be opened as a file
    const auto failed = m_sim->request("GET", "/lsp/getPages.php");
    QVERIFY(QDir().rmdir(lock));
    QCOMPARE(failed.status, 500);
    QVERIFY(failed.body.contains("state.lock"));
    QCOMPARE(m_sim->request("GET", "/lsp/getPages.php").status, 200);
}

// Stopping the script (not its process group) stops its workers too.
void TestPrinterSim::stoppingFreesThePort()
{
    QTemporaryDir state;
    QProcess sim;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SIM_STATE_DIR", state.path());
    sim.setProcessEnvironment(env);
    sim.start(qEnvironmentVariable("NETTOOL_SOURCE_DIR") + "/printer-sim/start.sh", {"127.0.10.9"});
    QVERIFY(sim.waitForStarted());
    QTcpSocket probe;
    QVERIFY(QTest::qWaitFor(
        [&] {
            probe.connectToHost("127.0.10.9", 9100);
            const bool up = probe.waitForConnected(200);
            probe.abort();
            return up;
        },
        10000));
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QTcpServer again;
    QVERIFY(QTest::qWaitFor([&] { return again.listen(QHostAddress("127.0.10.9"), 9100); }, 5000));
}

QTEST_GUILESS_MAIN(TestPrinterSim)
#include "tst_printer_sim.moc"
