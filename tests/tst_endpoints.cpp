#include "core/endpoints.h"

#include <QtTest>

class TestEndpoints : public QObject
{
    Q_OBJECT

private slots:
    void templates();
    void urlTakesThePlainAddress();
    void patterns_data();
    void patterns();
    void outcome();
};

void TestEndpoints::templates()
{
    QCOMPARE(Endpoints::SetIP, QStringLiteral("http://%IPADDR%:9100/lsp/setIP.php"));
    QCOMPARE(Endpoints::GetPages, QStringLiteral("http://%IPADDR%:9100/lsp/getPages.php"));
    QCOMPARE(Endpoints::SetTime, QStringLiteral("http://%IPADDR%:9100/lsp/setTime.php"));
    QCOMPARE(Endpoints::GetVersion, QStringLiteral("http://%IPADDR%:9100/lsp/getVersion.php"));
    QCOMPARE(Endpoints::Upgrade, QStringLiteral("http://%IPADDR%:9100/lsp/upgrade.php"));
    QCOMPARE(Endpoints::ConfigStrategies, QStringLiteral("http://%IPADDR%:9100/lsp/config-strategies.php"));
    QCOMPARE(Endpoints::Clear, QStringLiteral("http://%IPADDR%:9100/lsp/clear.php"));
}

void TestEndpoints::urlTakesThePlainAddress()
{
    // "010" would be read as octal 8 by the URL parser: another printer.
    QCOMPARE(Endpoints::url(Endpoints::Clear, "192.168.001.010"),
             QStringLiteral("http://192.168.1.10:9100/lsp/clear.php"));
    QCOMPARE(Endpoints::url(Endpoints::Clear, "000.00.0.09"), QStringLiteral("http://0.0.0.9:9100/lsp/clear.php"));
    QCOMPARE(AddressPatterns::plain("127.0.0.1"), QStringLiteral("127.0.0.1"));
    // Not a dotted address of ASCII digits: left alone.
    for (const char *other : {"a.b.c.d", "1.2.3", "1.2.3.4.5", "1..2.3", "1.2.3.\u0662"})
        QCOMPARE(AddressPatterns::plain(QString::fromUtf8(other)), QString::fromUtf8(other));
    QCOMPARE(Endpoints::url("%IPADDR%/%IPADDR%/%ipaddr%", "a"), QStringLiteral("a/a/%ipaddr%"));
    // The template itself is never edited.
    QCOMPARE(Endpoints::SetIP, QStringLiteral("http://%IPADDR%:9100/lsp/setIP.php"));
}

void TestEndpoints::patterns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("a");
    QTest::addColumn<bool>("b");
    QTest::addColumn<bool>("config");
    QTest::newRow("plain") << "192.168.1.20" << true << true << true;
    QTest::newRow("broadcast-like fourth group") << "192.168.1.255" << false << true << true;
    QTest::newRow("fourth group 254") << "10.0.0.254" << true << true << true;
    QTest::newRow("leading zeros") << "192.168.001.010" << true << true << false;
    QTest::newRow("one leading zero") << "192.168.01.5" << true << true << false;
    QTest::newRow("leading blank") << " 192.168.1.2" << false << false << false;
    QTest::newRow("trailing blank") << "192.168.1.2 " << false << false << false;
    QTest::newRow("trailing dot") << "192.168.1.2." << false << false << false;
    QTest::newRow("256") << "256.1.1.1" << false << false << false;
    QTest::newRow("three groups") << "1.2.3" << false << false << false;
    QTest::newRow("empty") << "" << false << false << false;
    QTest::newRow("letters") << "a.b.c.d" << false << false << false;
    QTest::newRow("zeros") << "0.0.0.0" << true << true << true;
    QTest::newRow("five groups") << "1.2.3.4.5" << false << false << false;
    QTest::newRow("fourth group 256") << "1.2.3.256" << false << false << false;
    // Found by fuzzing: other scripts' digits are digits to QRegExp's \d.
    QTest::newRow("arabic-indic digit") << QString::fromUtf8("1.0.\u0662"
                                                             "1.0")
                                        << false << false << false;
    QTest::newRow("fullwidth digit") << QString::fromUtf8("192.168.1.\uff11") << false << false << false;
}

void TestEndpoints::patterns()
{
    QFETCH(QString, text);
    QFETCH(bool, a);
    QFETCH(bool, b);
    QFETCH(bool, config);
    QCOMPARE(AddressPatterns::matchesA(text), a);
    QCOMPARE(AddressPatterns::matchesB(text), b);
    QCOMPARE(AddressPatterns::matchesConfig(text), config);
}

void TestEndpoints::outcome()
{
    QVERIFY(Outcome::isSuccess(200));
    QVERIFY(!Outcome::isSuccess(0));
    QVERIFY(!Outcome::isSuccess(201));
    QVERIFY(Outcome::isTimeout(404, "timeout"));
    QVERIFY(!Outcome::isTimeout(404, "Timeout"));
    QVERIFY(!Outcome::isTimeout(404, "timeout "));
    QVERIFY(!Outcome::isTimeout(200, "timeout"));
}

QTEST_APPLESS_MAIN(TestEndpoints)
#include "tst_endpoints.moc"
