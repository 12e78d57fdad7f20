#include "app/instancechannel.h"
#include "app/startup.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <vector>

// Start-up as the operator sees it: the real executable, the real lock file.
class TestStartupProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void secondStartIsRefused();
    void missingLockDirectoryRefusesStart();
    void twentyStartsAtOnce();
    void startsWithoutDataFiles();

private:
    static QString executable() { return qEnvironmentVariable("NETTOOL_BIN_DIR") + "/nettool"; }
    static QByteArray lockContents()
    {
        QFile f(Startup::lockFilePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void startTool(QProcess &p)
    {
        p.setProgram(executable());
        p.setWorkingDirectory(QDir::tempPath()); // data files come from the executable's directory
        p.start();
    }
};

void TestStartupProcess::initTestCase()
{
    QVERIFY(QFile::exists(executable()));
    QVERIFY(QDir().mkpath("/var/varnok/INSTALL"));
    // A stale lock left by a killed process is taken over; a live one is not.
    QLockFile probe(Startup::lockFilePath());
    QVERIFY2(probe.tryLock(0), "another instance holds the lock");
    probe.unlock();
}

void TestStartupProcess::secondStartIsRefused()
{
    QProcess first;
    startTool(first);
    QVERIFY(first.waitForStarted());
    // The file appears before its owner has written itself into it.
    const QByteArray pid = QByteArray::number(first.processId()) + '\n';
    QVERIFY(QTest::qWaitFor([&] { return lockContents().startsWith(pid); }, 10000));
    const QByteArray held = lockContents();

    QProcess second;
    startTool(second);
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(second.readAllStandardError().contains("lock file error"));
    QCOMPARE(first.state(), QProcess::Running);
    QCOMPARE(lockContents(), held);
    // The running instance listens for a second start's request to come
    // to the front.
    QTRY_VERIFY_WITH_TIMEOUT(InstanceChannel::askToRaise(InstanceChannel::name(), 500), 10000);

    // A termination request is an orderly close: the lock goes with the process.
    ::kill(pid_t(first.processId()), SIGTERM);
    QVERIFY(first.waitForFinished(30000)); // a loaded machine under the sanitizers
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(!QFile::exists(Startup::lockFilePath()));

    QProcess third;
    startTool(third);
    QVERIFY(QTest::qWaitFor([] { return QFile::exists(Startup::lockFilePath()); }, 10000));
    QTest::qWait(300);
    QCOMPARE(third.state(), QProcess::Running);
    third.terminate();
    QVERIFY(third.waitForFinished(10000));
    QVERIFY(!QFile::exists(Startup::lockFilePath()));
}

void TestStartupProcess::missingLockDirectoryRefusesStart()
{
    const QString unshare = QStandardPaths::findExecutable("unshare");
    if (unshare.isEmpty())
        QSKIP("unshare is not available");
    // A private mount namespace with an empty /var/varnok: the real directory
    // is never touched.
    QProcess p;
    p.setProgram(unshare);
    p.setArguments({"-m", "sh", "-c", "mount -t tmpfs tmpfs /var/varnok && exec \"$0\"", executable()});
    p.start();
    QVERIFY(p.waitForFinished(10000));
    const QByteArray err = p.readAllStandardError();
    if (err.contains("Operation not permitted") || err.contains("unshare failed"))
        QSKIP("no permission for mount namespaces here");
    QVERIFY2(err.contains("lock file error"), err.constData());
    QVERIFY(p.exitCode() != 0);
}

void TestStartupProcess::twentyStartsAtOnce()
{
    // A lock left by a killed instance is there too: it must not let two in.
    QProcess killed;
    startTool(killed);
    QVERIFY(QTest::qWaitFor([&] { return lockContents().startsWith(QByteArray::number(killed.processId()) + '\n'); },
                            10000));
    killed.kill();
    QVERIFY(killed.waitForFinished(5000));
    QVERIFY(QFile::exists(Startup::lockFilePath()));

    std::vector<std::unique_ptr<QProcess>> starts;
    for (int i = 0; i < 20; ++i) {
        starts.emplace_back(new QProcess);
        startTool(*starts.back());
    }
    QProcess *survivor = nullptr;
    QVERIFY(QTest::qWaitFor(
        [&] {
            int finished = 0;
            for (auto &p : starts)
                finished += p->state() == QProcess::NotRunning;
            return finished >= 19;
        },
        30000));
    QTest::qWait(500); // a second survivor would have had time to exit by now
    int running = 0;
    for (auto &p : starts) {
        if (p->state() != QProcess::NotRunning) {
            ++running;
            survivor = p.get();
            continue;
        }
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 0);
        QVERIFY(p->readAllStandardError().contains("lock file error"));
    }
    QCOMPARE(running, 1);
    QVERIFY(lockContents().startsWith(QByteArray::number(survivor->processId()) + '\n'));
    ::kill(pid_t(survivor->processId()), SIGTERM);
    QVERIFY(survivor->waitForFinished(10000));
    QCOMPARE(survivor->exitCode(), 0);
    QVERIFY(!QFile::exists(Startup::lockFilePath()));
}

// No catalogue, no font beside the executable: the window opens all the same.
void TestStartupProcess::startsWithoutDataFiles()
{
    QTemporaryDir bare;
    const QString copy = bare.filePath("nettool");
    QVERIFY(QFile::copy(executable(), copy));
    QProcess tool;
    tool.setProgram(copy);
    tool.start();
    QVERIFY(
        QTest::qWaitFor([&] { return lockContents().startsWith(QByteArray::number(tool.processId()) + '\n'); }, 10000));
    QTest::qWait(500);
    QCOMPARE(tool.state(), QProcess::Running);
    tool.terminate();
    QVERIFY(tool.waitForFinished(10000));
    QCOMPARE(tool.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestStartupProcess)
#include "tst_startup_process.moc"
