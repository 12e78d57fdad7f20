#include "core/networkrules.h"

#include <QtTest>

// Each case passes every rule before the one it is meant to fail.
class TestNetworkRules : public QObject
{
    Q_OBJECT

private slots:
    void steps_data();
    void steps();
    void texts();
    void addressValue();
};

void TestNetworkRules::steps_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("gw");
    QTest::addColumn<int>("step");

    const QString cur = "192.168.1.5", ip = "192.168.1.10", m = "255.255.255.0", gw = "192.168.1.1";
    QTest::newRow("valid /24") << cur << ip << m << gw << 0;
    QTest::newRow("valid class A") << "10.0.0.9"
                                   << "10.0.0.5"
                                   << "255.0.0.0"
                                   << "10.0.0.1" << 0;
    QTest::newRow("valid 10.0.0.5 mask 128.0.0.0") << cur << "10.0.0.5"
                                                   << "128.0.0.0"
                                                   << "10.0.0.1" << 0;

    QTest::newRow("1 leading zero") << "192.168.01.5" << ip << m << gw << 1;
    QTest::newRow("1 empty") << "" << ip << m << gw << 1;
    QTest::newRow("1 blank") << "192.168.1.5 " << ip << m << gw << 1;
    QTest::newRow("2 loopback") << "127.0.0.1" << ip << m << gw << 2;
    QTest::newRow("2 zero") << "0.1.2.3" << ip << m << gw << 2;
    QTest::newRow("2 multicast") << "224.0.0.1" << ip << m << gw << 2;
    QTest::newRow("3 reserved subnet") << "10.211.135.7" << ip << m << gw << 3;
    QTest::newRow("4 new address") << cur << "192.168.1.010" << m << gw << 4;
    QTest::newRow("5 127.0.0.2") << cur << "127.0.0.2" << m << gw << 5;
    QTest::newRow("5 0.1.2.3") << cur << "0.1.2.3" << m << gw << 5;
    QTest::newRow("5 224.0.0.1") << cur << "224.0.0.1" << m << gw << 5;
    QTest::newRow("6 reserved") << cur << "10.211.135.9" << m << gw << 6;
    QTest::newRow("7 mask format") << cur << ip << "255.255.255.00" << gw << 7;
    QTest::newRow("8 all ones") << cur << ip << "255.255.255.255" << gw << 8;
    QTest::newRow("8 zero") << cur << ip << "0.0.0.0" << gw << 8;
    QTest::newRow("9 255.255.0.255") << cur << ip << "255.255.0.255" << gw << 9;
    QTest::newRow("9 255.0.255.0") << cur << ip << "255.0.255.0" << gw << 9;
    QTest::newRow("9 127.255.255.0") << cur << ip << "127.255.255.0" << gw << 9;
    QTest::newRow("9 0.255.255.255") << cur << ip << "0.255.255.255" << gw << 9;
    QTest::newRow("10 gateway format") << cur << ip << m << "192.168.1" << 10;
    QTest::newRow("11 gateway first group") << cur << ip << m << "127.168.1.1" << 11;
    QTest::newRow("12 gateway reserved") << cur << ip << m << "10.211.135.1" << 12;
    QTest::newRow("13 class B short mask") << cur << "172.16.0.5"
                                           << "128.0.0.0"
                                           << "172.16.0.1" << 13;
    QTest::newRow("13 class C /2") << cur << "192.168.1.10"
                                   << "192.0.0.0" << gw << 13;
    QTest::newRow("14 network address") << cur << "192.168.1.0" << m << gw << 14;
    QTest::newRow("14 broadcast") << cur << "192.168.1.255" << m << gw << 14;
    QTest::newRow("14 /31 any address") << cur << "192.168.1.10"
                                        << "255.255.255.254"
                                        << "192.168.1.11" << 14;
    QTest::newRow("14 /31 other parity") << cur << "192.168.1.11"
                                         << "255.255.255.254"
                                         << "192.168.1.10" << 14;
    QTest::newRow("15 gateway host zero") << cur << ip << m << "192.168.1.0" << 15;
    QTest::newRow("15 gateway host ones") << cur << ip << m << "192.168.1.255" << 15;
    QTest::newRow("16 other subnet") << cur << ip << m << "192.168.2.1" << 16;
    QTest::newRow("16 below subnet") << cur << "192.168.1.10"
                                     << "255.255.255.128"
                                     << "192.168.0.200" << 16;
    QTest::newRow("17 same as current") << ip << ip << m << gw << 17;
    QTest::newRow("18 same as gateway") << cur << ip << m << ip << 18;
    QTest::newRow("17 before 18") << ip << ip << m << ip << 17;
}

void TestNetworkRules::steps()
{
    QFETCH(QString, current);
    QFETCH(QString, ip);
    QFETCH(QString, mask);
    QFETCH(QString, gw);
    QFETCH(int, step);
    QCOMPARE(NetworkRules::firstFailingStep(current, ip, mask, gw), step);
}

void TestNetworkRules::texts()
{
    QCOMPARE(QString::fromUtf8(NetworkRules::title(1)), QStringLiteral("验证当前IP地址"));
    QCOMPARE(QString::fromUtf8(NetworkRules::text(1)), QStringLiteral("请输入格式正确的IP地址。"));
    for (int step = 2; step <= 18; ++step)
        QCOMPARE(QString::fromUtf8(NetworkRules::title(step)), QStringLiteral("网络配置"));
    const QString firstGroup = QStringLiteral("IP地址的第一组数字介于1到223之间，并且不等于127。");
    const QString reserved = QStringLiteral("无法使用子网10.211.135.0/24。");
    const QStringList expected {"请输入格式正确的IP地址。",
                                firstGroup,
                                reserved,
                                "请输入格式正确的IP地址。",
                                firstGroup,
                                reserved,
                                "请输入格式正确的子网掩码。",
                                "子网掩码地址无效。",
                                "子网掩码必须是相邻的。",
                                "请输入格式正确的默认网关",
                                firstGroup,
                                reserved,
                                "IP地址或子网掩码无效。",
                                "不能将IP地址的主机地址部分的所有位都设为0或都设为1。",
                                "不能将网关地址的主机地址部分的所有位都设为0或都设为1。",
                                "默认网关不在由IP地址和子网掩码定义的同一子网上。",
                                "更改后的IP地址不能与当前IP地址相同。",
                                "更改后的IP地址不能与网关地址相同。"};
    for (int step = 1; step <= 18; ++step)
        QCOMPARE(QString::fromUtf8(NetworkRules::text(step)), expected.at(step - 1));
}

void TestNetworkRules::addressValue()
{
    QCOMPARE(NetworkRules::addressValue("255.255.255.255"), 0xFFFFFFFFu);
    QCOMPARE(NetworkRules::addressValue("192.168.1.10"), 0xC0A8010Au);
    QCOMPARE(NetworkRules::addressValue("1.2.3"), 0u);
    QCOMPARE(NetworkRules::addressValue(""), 0u);
}

QTEST_APPLESS_MAIN(TestNetworkRules)
#include "tst_networkrules.moc"
