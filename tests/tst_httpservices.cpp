#include "net/httpservices.h"
#include "net/httpexchange.h"
#include "support/fakeprinter.h"
#include "support/fleetmode.h"

#include <QNetworkReply>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

// The request object against a scripted printer on its own loopback address.
class TestHttpServices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void formBodies_data();
    void formBodies();
    void tagRoundTrip();
    void getSendsNoBody();
    void nothingListening();
    void replyDecoding_data();
    void replyDecoding();
    void oneRecordWhenReplyBeatsTimeout();
    void lateReplyGivesNoSecondRecord();
    void zeroIntervalTimesOutRunningRequest();
    void getWaitsItsFullTimeOut();
    void finishedObjectGoesAfterOneTurn();
    void timedOutObjectGoesAfterOneTurn();

private:
    static const QString Address;
    QString url(const char *path) const { return "http://" + Address + ":9100" + path; }
    std::unique_ptr<FakePrinter> m_printer;
};

const QString TestHttpServices::Address = QStringLiteral("127.0.3.1");

namespace {
struct Record
{
    int status;
    int tag;
    QString text;
    QString job;
};

QList<Record> records(const QSignalSpy &spy)
{
    QList<Record> out;
    for (const QList<QVariant> &args : spy)
        out << Record {args.at(0).toInt(), args.at(1).toInt(), args.at(2).toString(), args.at(3).toString()};
    return out;
}

// What carries a request: the window's manager, or the fleet's exchange.
QObject *transport(HttpServices *service)
{
    if (auto *manager = service->findChild<QNetworkAccessManager *>())
        return manager;
    return service->findChild<HttpExchange *>();
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
} // namespace

void TestHttpServices::initTestCase()
{
    followFleetMode();
    m_printer.reset(new FakePrinter(Address));
    QVERIFY2(m_printer->isListening(), qPrintable(m_printer->errorString()));
}

void TestHttpServices::init()
{
    m_printer.reset(); // free the port before the next one binds it
    m_printer.reset(new FakePrinter(Address));
    QVERIFY(m_printer->isListening());
}

void TestHttpServices::formBodies_data()
{
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("one, no ampersand") << QStringList {"type=board"} << QByteArray("type=board");
    QTest::newRow("three, two ampersands") << QStringList {"ip=10.0.0.5", "mask=255.0.0.0", "gateway=10.0.0.1"}
                                           << QByteArray("ip=10.0.0.5&mask=255.0.0.0&gateway=10.0.0.1");
    QTest::newRow("none, empty body") << QStringList {} << QByteArray();
    QTest::newRow("unescaped") << QStringList {"a=x&y=z", "b=one two", "c=打印机"}
                               << QByteArray("a=x&y=z&b=one two&c=") + QString("打印机").toUtf8();
}

void TestHttpServices::formBodies()
{
    QFETCH(QStringList, params);
    QFETCH(QByteArray, body);
    auto *service = new HttpServices;
    QSignalSpy spy(service, SIGNAL(http_finished(int, int, QString, QString)));
    service->postRequest(url("/lsp/setTime.php"), params, 1, 10000);
    QVERIFY(spy.wait(5000));
    QCOMPARE(m_printer->requests().size(), 1);
    const FakePrinter::Request r = m_printer->requests().first();
    QCOMPARE(r.method, QByteArray("POST"));
    QCOMPARE(r.path, QByteArray("/lsp/setTime.php"));
    QCOMPARE(r.body, body);
    QCOMPARE(r.header("Content-Length"), QByteArray::number(body.size()));
    if (!body.isEmpty()) // the network layer's default for a form body
        QCOMPARE(r.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
}

void TestHttpServices::tagRoundTrip()
{
    m_printer->answer("/lsp/getPages.php", 200, "123");
    for (int tag : {1, 7}) {
        auto *service = new HttpServices;
        QSignalSpy spy(service, SIGNAL(http_finished(int, int, QString, QString)));
        service->getRequest(url("/lsp/getPages.php"), tag);
        QVERIFY(spy.wait(5000));
        const Record r = records(spy).first();
        QCOMPARE(r.status, 200);
        QCOMPARE(r.tag, tag);
        QCOMPARE(r.text, QStringLiteral("123"));
        QVERIFY(r.job.isEmpty());
    }
    // No tag attached: 0 comes back.
    auto *service = new HttpServices;
    QSignalSpy spy(service, SIGNAL(http_finished(int, int, QString, QString)));
    service->getRequest(url("/lsp/getPages.php"), QVariant());
    QVERIFY(spy.wait(5000));
    QCOMPARE(records(spy).first().tag, 0);
}

void TestHttpServices::getSendsNoBody()
{
    auto *service = new HttpServices;
    QSignalSpy spy(service, SIGNAL(http_finished(int, int, QString, QString)));
    service->getRequest(url("/lsp/clear.php"), 1);
    QVERIFY(spy.wait(5000));
    const FakePrinter::Request r = m_printer->requests().first();
    QCOMPARE(r.method, QByteArray("GET"));
    QVERIFY(r.body.isEmpty());
    QVERIFY(r.header("Content-Type").isEmpty());
}

void TestHttpServices::nothingListening()
{
    auto *service = new HttpServices;
    QSignalSpy spy(service, SIGNAL(http_finished(int, int, QString, QString)));
    service->postRequest("http://127.0.3.99:9100/lsp/setTime.php", {"time=1"}, 1, 10000);
    QVERIFY(spy.wait(5000));
    QCOMPARE(spy.size(), 1);
    const Record r = records(spy).first();
    QCOMPARE(r.status, 0);
    QCOMPARE(r.tag, 1);
    QVERIFY(r.text.isEmpty());
}

void TestHttpServices::replyDecoding_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");
    const QByteArray large = QByteArray(6 * 1024 * 1024, 'x') + "end";
    QTest::newRow("text before NUL") << int(FakePrinter::Mode::Answer) << QByteArray("abc\0def", 7) << "abc";
    QTest::newRow("utf8") << int(FakePrinter::Mode::Answer) << QString("版本:1.0").toUtf8() << "版本:1.0";
    QTest::newRow("chunked arrives whole")
        << int(FakePrinter::Mode::Chunked) << QByteArray(5500, 'c') + "!" << QString(5500, 'c') + "!";
    QTest::newRow("several MB arrive whole") << int(FakePrinter::Mode::Answer) << large << QString::fromLatin1(large);
    QTest::newRow("trickled") << int(FakePrinter::Mode::Trickle) << QByteArray("Pages:42") << "Pages:42";
}

void TestHttpServices::replyDecoding()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    FakePrinter::Script s;
    s.mode = FakePrinter::Mode(mode);
    s.body = body;
    m_printer->script("/lsp/getVersion.php", s);
    auto *service = new HttpServices;
    QSignalSpy spy(service, SIGNAL(http_finished(int, int, QString, QString)));
    service->postRequest(url("/lsp/getVersion.php"), {"type=board"}, 1, 10000);
    QVERIFY(spy.wait(10000));
    const Record r = records(spy).first();
    QCOMPARE(r.status, 200);
    QCOMPARE(r.text.size(), expected.size());
    QCOMPARE(r.text, expected);
}

void TestHttpServices::oneRecordWhenReplyBeatsTimeout()
{
    FakePrinter::Script s;
    s.delayMs = 50;
    s.body = "ok";
    m_printer->script("/lsp/setTime.php", s);
    auto *service = new HttpServices;
    QSignalSpy spy(service, SIGNAL(http_finished(int, int, QString, QString)));
    service->postRequest(url("/lsp/setTime.php"), {"time=1"}, 1, 1500);
    QVERIFY(spy.wait(5000));
    QTest::qWait(1800); // past the time-out: the watchdog went with the reply
    QCOMPARE(spy.size(), 1);
    QCOMPARE(records(spy).first().status, 200);
}

void TestHttpServices::lateReplyGivesNoSecondRecord()
{
    FakePrinter::Script s;
    s.delayMs = 400;
    s.body = "late";
    m_printer->script("/lsp/setTime.php", s);
    auto *service = new HttpServices;
    QSignalSpy spy(service, SIGNAL(http_finished(int, int, QString, QString)));
    service->postRequest(url("/lsp/setTime.php"), {"time=1"}, 7, 100);
    QVERIFY(spy.wait(5000));
    const Record r = records(spy).first();
    QCOMPARE(r.status, 404);
    QCOMPARE(r.tag, 1); // the time-out record always says 1
    QCOMPARE(r.text, QStringLiteral("timeout"));
    QVERIFY(r.job.isEmpty());
    QTest::qWait(800);
    QCOMPARE(spy.size(), 1);
}

void TestHttpServices::zeroIntervalTimesOutRunningRequest()
{
    FakePrinter::Script s;
    s.mode = FakePrinter::Mode::Never;
    m_printer->script("/lsp/setTime.php", s);
    auto *service = new HttpServices;
    QSignalSpy spy(service, SIGNAL(http_finished(int, int, QString, QString)));
    service->postRequest(url("/lsp/setTime.php"), {"time=1"}, 1, 0);
    QVERIFY(spy.wait(5000));
    QCOMPARE(records(spy).first().text, QStringLiteral("timeout"));
    QTest::qWait(200);
    QCOMPARE(spy.size(), 1);
}

void TestHttpServices::getWaitsItsFullTimeOut()
{
    FakePrinter::Script s;
    s.mode = FakePrinter::Mode::Never;
    m_printer->script("/lsp/getPages.php", s);
    auto *service = new HttpServices;
    QPointer<HttpServices> guard(service);
    QSignalSpy spy(service, SIGNAL(http_finished(int, int, QString, QString)));
    service->getRequest(url("/lsp/getPages.php"), 1);
    QVERIFY(m_printer->waitForRequests(1));
    QVERIFY(!spy.wait(1500));
    QVERIFY(guard);
    delete service; // the 30 s end is tested with the pages
}

void TestHttpServices::finishedObjectGoesAfterOneTurn()
{
    auto *service = new HttpServices;
    QPointer<HttpServices> guard(service);
    QPointer<QObject> reply;
    bool senderUsable = false;
    connect(service, &HttpServices::http_finished, this, [&] {
        senderUsable = guard && transport(guard);
        reply = guard->findChild<QNetworkReply *>();
        if (!reply)
            reply = transport(guard);
    });
    service->postRequest(url("/lsp/setTime.php"), {"time=1"}, 1, 10000);
    QVERIFY(QTest::qWaitFor([&] { return senderUsable; }, 5000));
    flushDeletes();
    QVERIFY(!guard);
    QVERIFY(!reply);
}

void TestHttpServices::timedOutObjectGoesAfterOneTurn()
{
    FakePrinter::Script s;
    s.mode = FakePrinter::Mode::Never;
    m_printer->script("/lsp/setIP.php", s);
    auto *service = new HttpServices;
    QPointer<HttpServices> guard(service);
    QPointer<QObject> manager;
    bool delivered = false;
    connect(service, &HttpServices::http_finished, this, [&] {
        // The callback may still use its sender while the record is delivered.
        delivered = guard && transport(guard);
        manager = transport(guard);
    });
    service->postRequest(url("/lsp/setIP.php"), {"ip=1"}, 1, 100);
    QVERIFY(QTest::qWaitFor([&] { return delivered; }, 5000));
    flushDeletes();
    QVERIFY(!guard);
    QVERIFY(!manager);
}

QTEST_GUILESS_MAIN(TestHttpServices)
#include "tst_httpservices.moc"
