#include "net/qreplytimeout.h"

#include <QNetworkReply>
#include <QSignalSpy>
#include <QtTest>

namespace {
// A reply whose running state the test decides.
class ScriptedReply : public QNetworkReply
{
public:
    explicit ScriptedReply(bool finished)
    {
        setFinished(finished);
        open(QIODevice::ReadOnly);
    }
    void finishNow() { setFinished(true); }
    void abort() override { }

protected:
    qint64 readData(char *, qint64) override { return -1; }
};
} // namespace

class TestReplyTimeout : public QObject
{
    Q_OBJECT

private slots:
    void firesOnceForRunningReply();
    void silentForReplyFinishedBeforeInterval();
    void silentForDeletedReply();
    void neverArmedForFinishedOrNullReply();
    void zeroIntervalChecksAtNextTurn();
};

void TestReplyTimeout::firesOnceForRunningReply()
{
    ScriptedReply reply(false);
    auto *watchdog = new QReplyTimeout(&reply, 50);
    QCOMPARE(watchdog->parent(), &reply);
    QSignalSpy spy(watchdog, &QReplyTimeout::timeout);
    QVERIFY(spy.wait(2000));
    QTest::qWait(150);
    QCOMPARE(spy.size(), 1);
}

void TestReplyTimeout::silentForReplyFinishedBeforeInterval()
{
    ScriptedReply reply(false);
    auto *watchdog = new QReplyTimeout(&reply, 50);
    QSignalSpy spy(watchdog, &QReplyTimeout::timeout);
    reply.finishNow(); // finished, but still alive when the shot fires
    QTest::qWait(200);
    QCOMPARE(spy.size(), 0);
}

void TestReplyTimeout::silentForDeletedReply()
{
    auto *reply = new ScriptedReply(false);
    auto *watchdog = new QReplyTimeout(reply, 50);
    QSignalSpy spy(watchdog, &QReplyTimeout::timeout);
    QPointer<QReplyTimeout> guard(watchdog);
    delete reply;
    QVERIFY(!guard);
    QTest::qWait(200);
    QCOMPARE(spy.size(), 0);
}

void TestReplyTimeout::neverArmedForFinishedOrNullReply()
{
    ScriptedReply finished(true);
    auto *watchdog = new QReplyTimeout(&finished, 0);
    QSignalSpy spy(watchdog, &QReplyTimeout::timeout);
    QReplyTimeout orphan(nullptr, 0);
    QSignalSpy orphanSpy(&orphan, &QReplyTimeout::timeout);
    QTest::qWait(100);
    QCOMPARE(spy.size(), 0);
    QCOMPARE(orphanSpy.size(), 0);
}

void TestReplyTimeout::zeroIntervalChecksAtNextTurn()
{
    ScriptedReply reply(false);
    auto *watchdog = new QReplyTimeout(&reply, 0);
    QSignalSpy spy(watchdog, &QReplyTimeout::timeout);
    QCOMPARE(spy.size(), 0); // not inside the constructor
    QCoreApplication::processEvents();
    QTest::qWait(10);
    QCOMPARE(spy.size(), 1);
}

QTEST_GUILESS_MAIN(TestReplyTimeout)
#include "tst_replytimeout.moc"
