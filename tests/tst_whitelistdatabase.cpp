#include "core/whitelistdatabase.h"
#include "support/debugcapture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>
#include <cstdio>

// The store on the real /var/varnok/data, each case under printer addresses
// of its own that it removes again.
class TestWhiteListDatabase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void paths();
    void parseQuotedList_data();
    void parseQuotedList();
    void firstUseCreatesNothing();
    void firstInsertCreatesKeyedFile();
    void duplicateInsertFails();
    void replaceAllIsOneTransaction();
    void deletes();
    void deleteOnMissingFileCreatesNothing();
    void spellingsShareOneStore();
    void interoperatesWithCommandLineTool();
    void wrongPasswordIsAnError();
    void damagedStores_data();
    void damagedStores();
    void injectionChangesOnlyNamedRows();
    void killedWriterLeavesReadableFile();

private:
    QString path(const QString &printer)
    {
        // Whatever an interrupted earlier run left there goes first.
        QDir("/var/varnok/data/" + printer).removeRecursively();
        m_made << "/var/varnok/data/" + printer;
        return WhiteListDatabase::databasePath(printer);
    }
    static QByteArray digest(const QString &file)
    {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }
    static QString cli(const QString &file, const QString &key, const QString &sql, int *exitCode = nullptr)
    {
        QProcess p;
        p.start("sqlcipher", {file});
        p.write(QString("PRAGMA key='%1';\n%2\n").arg(key, sql).toUtf8());
        p.closeWriteChannel();
        p.waitForFinished(10000);
        if (exitCode)
            *exitCode = p.exitCode();
        return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    }
    QStringList m_made;
};

void TestWhiteListDatabase::initTestCase()
{
    QVERIFY(QSqlDatabase::drivers().contains("SQLITECIPHER"));
    QVERIFY(QDir().mkpath("/var/varnok/data"));
}

void TestWhiteListDatabase::cleanup()
{
    for (const QString &dir : qAsConst(m_made))
        QDir(dir).removeRecursively();
    m_made.clear();
}

void TestWhiteListDatabase::paths()
{
    const QString p = WhiteListDatabase::databasePath("192.168.1.10");
    QCOMPARE(p, QStringLiteral("/var/varnok/data/192.168.1.10/strategy.dll"));
    QCOMPARE(WhiteListDatabase::directoryOf(p), QStringLiteral("/var/varnok/data/192.168.1.10"));
}

void TestWhiteListDatabase::parseQuotedList_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("empty") << "" << true << QStringList {};
    QTest::newRow("one") << "'10.0.0.5'" << true << QStringList {"10.0.0.5"};
    QTest::newRow("two") << "'10.0.0.4','10.0.0.9'" << true << QStringList {"10.0.0.4", "10.0.0.9"};
    QTest::newRow("blank after comma") << "'a', 'b'" << false << QStringList {};
    QTest::newRow("unquoted") << "10.0.0.5" << false << QStringList {};
    QTest::newRow("sql") << "'1') OR 1=1 --" << false << QStringList {};
    QTest::newRow("trailing comma") << "'a'," << false << QStringList {};
    QTest::newRow("quote inside") << "'a'b'" << false << QStringList {};
}

void TestWhiteListDatabase::parseQuotedList()
{
    QFETCH(QString, list);
    QFETCH(bool, ok);
    QFETCH(QStringList, items);
    QStringList parsed;
    QCOMPARE(WhiteListDatabase::parseQuotedList(list, &parsed), ok);
    if (ok)
        QCOMPARE(parsed, items);
}

void TestWhiteListDatabase::firstUseCreatesNothing()
{
    const QString p = path("127.0.6.1");
    WhiteListDatabase store;
    QCOMPARE(store.selectIPs(p), QStringList());
    QVERIFY(!QFileInfo::exists(WhiteListDatabase::directoryOf(p)));
}

void TestWhiteListDatabase::firstInsertCreatesKeyedFile()
{
    const QString p = path("127.0.6.2");
    DebugCapture debug;
    {
        WhiteListDatabase store;
        QVERIFY(store.insertIP(p, "10.0.0.5"));
    }
    QVERIFY(!debug.contains("Succeed to connect database."));
    QVERIFY(QFileInfo(p).isFile());
    QFile f(p);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(!f.read(16).startsWith("SQLite format 3"));
    WhiteListDatabase store;
    QCOMPARE(store.selectIPs(p), QStringList {"10.0.0.5"});
    QVERIFY(debug.contains("Succeed to connect database."));
}

void TestWhiteListDatabase::duplicateInsertFails()
{
    const QString p = path("127.0.6.3");
    WhiteListDatabase store;
    QVERIFY(store.insertIP(p, "10.0.0.5"));
    DebugCapture debug;
    QVERIFY(!store.insertIP(p, "10.0.0.5"));
    QVERIFY(debug.contains("UNIQUE"));
    QCOMPARE(store.selectIPs(p), QStringList {"10.0.0.5"});
}

// A list is replaced whole or not at all: a failure half-way (here a
// duplicate row) leaves the previous list as it was.
void TestWhiteListDatabase::replaceAllIsOneTransaction()
{
    const QString p = path("127.0.7.4");
    WhiteListDatabase store;
    QVERIFY(store.replaceAll(p, {"10.0.0.1", "10.0.0.2"})); // made when missing
    QCOMPARE(store.selectIPs(p), (QStringList {"10.0.0.1", "10.0.0.2"}));
    QVERIFY(store.replaceAll(p, {"10.0.0.3"}));
    QCOMPARE(store.selectIPs(p), QStringList {"10.0.0.3"});
    QVERIFY(!store.replaceAll(p, {"10.0.0.4", "10.0.0.5", "10.0.0.4"}));
    QCOMPARE(store.selectIPs(p), QStringList {"10.0.0.3"});
    QVERIFY(store.replaceAll(p, {}));
    QCOMPARE(store.selectIPs(p), QStringList());
    QVERIFY(QFileInfo::exists(p)); // an empty list is still a recorded one
}

void TestWhiteListDatabase::deletes()
{
    const QString p = path("127.0.6.4");
    WhiteListDatabase store;
    QVERIFY(store.insertIP(p, "10.0.0.4"));
    QVERIFY(store.insertIP(p, "10.0.0.5"));
    QCOMPARE(store.deleteIPs(p, "'10.0.0.5'"), QStringList {"10.0.0.4"});
    QCOMPARE(store.deleteIPs(p, "'10.0.0.9','10.0.0.5'"), QStringList {"10.0.0.4"});
    QCOMPARE(store.deleteIPs(p, ""), QStringList {"10.0.0.4"});
    QVERIFY(store.insertIP(p, "10.0.0.6"));
    QCOMPARE(store.deleteIPs(p, "'10.0.0.4','10.0.0.6'"), QStringList());
    QCOMPARE(store.selectIPs(p), QStringList());

    // More addresses than one statement may bind.
    for (int i = 0; i < 600; ++i)
        QVERIFY(store.insertIP(p, QString("10.1.%1.%2").arg(i / 250).arg(i % 250)));
    QStringList quoted;
    for (int i = 0; i < 599; ++i)
        quoted << QString("'10.1.%1.%2'").arg(i / 250).arg(i % 250);
    QCOMPARE(store.deleteIPs(p, quoted.join(',')), QStringList {"10.1.2.99"});
}

void TestWhiteListDatabase::deleteOnMissingFileCreatesNothing()
{
    const QString p = path("127.0.6.5");
    WhiteListDatabase store;
    QCOMPARE(store.deleteIPs(p, "'10.0.0.5'"), QStringList());
    QVERIFY(!QFileInfo::exists(p));
    QVERIFY(!QFileInfo::exists(WhiteListDatabase::directoryOf(p)));
}

void TestWhiteListDatabase::spellingsShareOneStore()
{
    // However the printer's address is typed, it has one store.
    const QString plain = path("127.0.6.6");
    const QString zeros = path("127.000.006.006");
    QCOMPARE(zeros, plain);
    QCOMPARE(plain, QStringLiteral("/var/varnok/data/127.0.6.6/strategy.dll"));
    WhiteListDatabase store;
    QVERIFY(store.insertIP(plain, "10.0.0.1"));
    QVERIFY(store.insertIP(WhiteListDatabase::databasePath("127.00.6.06"), "10.0.0.2"));
    QCOMPARE(store.selectIPs(plain), (QStringList {"10.0.0.1", "10.0.0.2"}));
    QVERIFY(!QFileInfo::exists("/var/varnok/data/127.000.006.006"));
}

void TestWhiteListDatabase::interoperatesWithCommandLineTool()
{
    const QString ours = path("127.0.6.7");
    WhiteListDatabase store;
    QVERIFY(store.insertIP(ours, "10.0.0.7"));
    QVERIFY(store.insertIP(ours, "10.0.0.8"));
    const QString read = cli(ours, "pelrok", "SELECT IP FROM Strategy;");
    QCOMPARE(read.split('\n', Qt::SkipEmptyParts), (QStringList {"10.0.0.7", "10.0.0.8"}));

    const QString theirs = path("127.0.6.8");
    QDir().mkpath(WhiteListDatabase::directoryOf(theirs));
    cli(theirs, "pelrok",
        "create table Strategy(IP TEXT NOT NULL UNIQUE); INSERT INTO Strategy VALUES('10.9.9.9'),('10.9.9.8');");
    QCOMPARE(store.selectIPs(theirs), (QStringList {"10.9.9.9", "10.9.9.8"}));
    QVERIFY(store.insertIP(theirs, "10.9.9.7"));
    QVERIFY(cli(theirs, "pelrok", "SELECT count(*) FROM Strategy;").contains("3"));
}

void TestWhiteListDatabase::wrongPasswordIsAnError()
{
    const QString p = path("127.0.6.9");
    QDir().mkpath(WhiteListDatabase::directoryOf(p));
    cli(p, "other", "create table Strategy(IP TEXT NOT NULL UNIQUE); INSERT INTO Strategy VALUES('10.0.0.1');");
    const QByteArray before = digest(p);
    WhiteListDatabase store;
    DebugCapture debug;
    QCOMPARE(store.selectIPs(p), QStringList {"error"});
    QVERIFY(debug.contains("Error: Failed to connect database."));
    QCOMPARE(store.deleteIPs(p, "'10.0.0.1'"), QStringList {"error"});
    QVERIFY(!store.insertIP(p, "10.0.0.2"));
    QCOMPARE(digest(p), before);
}

void TestWhiteListDatabase::damagedStores_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("random bytes") << "random";
    QTest::newRow("no Strategy table") << "notable";
    QTest::newRow("path is a directory") << "directory";
    QTest::newRow("empty file") << "empty";
}

void TestWhiteListDatabase::damagedStores()
{
    QFETCH(QString, kind);
    const QString p = path("127.0.7.1");
    QDir().mkpath(WhiteListDatabase::directoryOf(p));
    if (kind == "random") {
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray junk(8192, '\0');
        for (char &c : junk)
            c = char(QRandomGenerator::global()->bounded(256));
        f.write(junk);
    } else if (kind == "notable") {
        cli(p, "pelrok", "create table Other(x);");
    } else if (kind == "directory") {
        QVERIFY(QDir().mkpath(p));
    } else {
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QByteArray before = kind == "directory" ? QByteArray() : digest(p);
    WhiteListDatabase store;
    if (kind == "empty") {
        // An empty file is an empty database without the table.
        QCOMPARE(store.selectIPs(p), QStringList {"error"});
        QVERIFY(!store.insertIP(p, "10.0.0.1"));
        return;
    }
    QCOMPARE(store.selectIPs(p), QStringList {"error"});
    QCOMPARE(store.deleteIPs(p, "'10.0.0.1'"), QStringList {"error"});
    QVERIFY(!store.insertIP(p, "10.0.0.1"));
    if (kind != "directory")
        QCOMPARE(digest(p), before);
    else
        QVERIFY(QFileInfo(p).isDir());
}

void TestWhiteListDatabase::injectionChangesOnlyNamedRows()
{
    const QString p = path("127.0.7.2");
    WhiteListDatabase store;
    QVERIFY(store.insertIP(p, "10.0.0.1"));
    QVERIFY(store.insertIP(p, "1.1.1.1'),('2.2.2.2"));
    QCOMPARE(store.selectIPs(p), (QStringList {"10.0.0.1", "1.1.1.1'),('2.2.2.2"}));
    QVERIFY(store.insertIP(p, "10.0.0.'9"));
    QCOMPARE(store.deleteIPs(p, "'x') OR ('1'='1"), QStringList {"error"});
    QCOMPARE(store.deleteIPs(p, "'10.0.0.1' OR 1=1"), QStringList {"error"});
    QCOMPARE(store.selectIPs(p).size(), 3);
    QCOMPARE(store.deleteIPs(p, "'10.0.0.1'"), (QStringList {"1.1.1.1'),('2.2.2.2", "10.0.0.'9"}));
}

void TestWhiteListDatabase::killedWriterLeavesReadableFile()
{
    const QString p = path("127.0.7.3");
    QProcess writer;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("STORE_WRITER", p);
    writer.setProcessEnvironment(env);
    writer.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(writer.waitForStarted());
    QStringList confirmed;
    QByteArray pending;
    QVERIFY(QTest::qWaitFor(
        [&] {
            pending += writer.readAllStandardOutput();
            return pending.count('\n') >= 40;
        },
        30000));
    ::kill(pid_t(writer.processId()), SIGKILL);
    writer.waitForFinished(5000);
    pending += writer.readAllStandardOutput();
    for (const QByteArray &line : pending.split('\n'))
        if (line.startsWith("ok "))
            confirmed << QString::fromLatin1(line.mid(3));
    QVERIFY(confirmed.size() >= 40);
    WhiteListDatabase store;
    const QStringList stored = store.selectIPs(p);
    QVERIFY(!stored.contains("error"));
    for (const QString &ip : qAsConst(confirmed))
        QVERIFY2(stored.contains(ip), qPrintable(ip));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString writerPath = qEnvironmentVariable("STORE_WRITER");
    if (!writerPath.isEmpty()) {
        // A stream of inserts, each confirmed on stdout once it returned true.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        for (int i = 0; i < 100000; ++i) {
            WhiteListDatabase store;
            const QString ip = QString("10.%1.%2.%3").arg(i / 65536).arg((i / 256) % 256).arg(i % 256);
            if (store.insertIP(writerPath, ip)) {
                std::printf("ok %s\n", qPrintable(ip));
                std::fflush(stdout);
            }
        }
        return 0;
    }
    TestWhiteListDatabase test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_whitelistdatabase.moc"
