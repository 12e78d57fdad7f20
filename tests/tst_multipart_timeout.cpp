#include "net/httpservices.h"
#include "support/fakeprinter.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

// The upload's fixed 30 s watchdog against a printer that never answers.
class TestMultipartTimeout : public QObject
{
    Q_OBJECT

private slots:
    void recordNamesThePrinterHost();
};

void TestMultipartTimeout::recordNamesThePrinterHost()
{
    FakePrinter printer("127.0.3.3");
    QVERIFY(printer.isListening());
    FakePrinter::Script never;
    never.mode = FakePrinter::Mode::Never;
    printer.script("/lsp/upgrade.php", never);

    auto *service = new HttpServices;
    QPointer<HttpServices> guard(service);
    QSignalSpy spy(service, SIGNAL(http_finished(int, int, QString, QString)));
    QElapsedTimer clock;
    clock.start();
    service->postMultipart("http://127.0.3.3:9100/lsp/upgrade.php", "Zipfile", "fw.bin", "abc", {{"type", "board"}}, 5);
    QVERIFY(spy.wait(40000));
    QVERIFY(clock.elapsed() >= 29900);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.first().at(0).toInt(), 404);
    QCOMPARE(spy.first().at(1).toInt(), 1);
    QCOMPARE(spy.first().at(2).toString(), QStringLiteral("timeout"));
    QCOMPARE(spy.first().at(3).toString(), QStringLiteral("127.0.3.3"));
    QCOMPARE(printer.requests().size(), 1);
    QTest::qWait(200);
    QVERIFY(!guard);
    QCOMPARE(spy.size(), 1);
}

QTEST_GUILESS_MAIN(TestMultipartTimeout)
#include "tst_multipart_timeout.moc"
