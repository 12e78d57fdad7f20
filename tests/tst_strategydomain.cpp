#include "core/strategydomain.h"
#include "core/whitelistupload.h"

#include <QDomDocument>
#include <QtTest>

class TestStrategyDomain : public QObject
{
    Q_OBJECT

private slots:
    void workedExample();
    void emptyList();
    void oneAddress();
    void orderAndDuplicatesKept();
    void emptyElements();
    void parsesBackToTheList();
    void metaObject();
    void uploadParameter();
    void removalLists();

private:
    static QString document(const QString &authType, const QString &whiteIP)
    {
        return "<Strategies>\n"
               " <Strategy type=\"Auth\">\n"
               "  <AuthType>"
            + authType
            + "</AuthType>\n"
              "  <WhiteList>\n"
              "   <User></User>\n"
              "   <IP>"
            + whiteIP
            + "</IP>\n"
              "   <IPMAC></IPMAC>\n"
              "   <Card></Card>\n"
              "  </WhiteList>\n"
              "  <BlackList>\n"
              "   <User></User>\n"
              "   <IP></IP>\n"
              "   <IPMAC></IPMAC>\n"
              "   <Card></Card>\n"
              "  </BlackList>\n"
              " </Strategy>\n"
              "</Strategies>\n";
    }
};

void TestStrategyDomain::workedExample()
{
    const QString xml = StrategyDomain::createStrategyXml({"192.168.1.20", "192.168.1.21"});
    QCOMPARE(xml, document("IP", "192.168.1.20;192.168.1.21"));
    QCOMPARE(xml.count('\n'), 17);
    QVERIFY(!xml.contains('\r'));
    QVERIFY(!xml.contains("/>"));
    QVERIFY(!xml.startsWith("<?xml"));
}

void TestStrategyDomain::emptyList()
{
    QCOMPARE(StrategyDomain::createStrategyXml({}), document("None", ""));
}

void TestStrategyDomain::oneAddress()
{
    QCOMPARE(StrategyDomain::createStrategyXml({"10.0.0.5"}), document("IP", "10.0.0.5"));
}

void TestStrategyDomain::orderAndDuplicatesKept()
{
    QCOMPARE(StrategyDomain::createStrategyXml({"10.0.0.9", "10.0.0.1", "10.0.0.9"}),
             document("IP", "10.0.0.9;10.0.0.1;10.0.0.9"));
}

void TestStrategyDomain::emptyElements()
{
    QCOMPARE(StrategyDomain::createStrategyXml({"", "a"}), document("IP", "a"));
    QCOMPARE(StrategyDomain::createStrategyXml({"a", ""}), document("IP", "a;"));
    QCOMPARE(StrategyDomain::createStrategyXml({""}), document("IP", ""));
}

void TestStrategyDomain::parsesBackToTheList()
{
    QStringList list;
    for (int i = 0; i < 300; ++i)
        list << QString("10.0.%1.%2").arg(i / 250).arg(i % 250);
    QDomDocument doc;
    QVERIFY(doc.setContent(StrategyDomain::createStrategyXml(list)));
    const QDomElement white = doc.documentElement().firstChildElement("Strategy").firstChildElement("WhiteList");
    QCOMPARE(white.firstChildElement("IP").text().split(';'), list);
}

void TestStrategyDomain::metaObject()
{
    StrategyDomain domain;
    QVERIFY(domain.qt_metacast("StrategyDomain"));
    QVERIFY(!domain.parent());
    QCOMPARE(QString(domain.metaObject()->className()), QStringLiteral("StrategyDomain"));
}

void TestStrategyDomain::uploadParameter()
{
    const QByteArray cipher = QByteArray::fromHex("fbff00fe3e3f");
    // Base64 "+/8A/j4/" percent-encoded.
    QCOMPARE(WhitelistUpload::parameter(cipher), QStringLiteral("strategies=%2B%2F8A%2Fj4%2F"));
    QCOMPARE(WhitelistUpload::parameter(QByteArray("a")), QStringLiteral("strategies=YQ%3D%3D"));
    QCOMPARE(WhitelistUpload::keyText(), QStringLiteral("pelrok"));
}

void TestStrategyDomain::removalLists()
{
    QCOMPARE(WhitelistUpload::quotedList({"10.0.0.4", "10.0.0.9"}), QStringLiteral("'10.0.0.4','10.0.0.9'"));
    QCOMPARE(WhitelistUpload::quotedList({}), QString());
    QCOMPARE(WhitelistUpload::removedAddresses("'10.0.0.4','10.0.0.9'"), (QStringList {"10.0.0.4", "10.0.0.9"}));
    QCOMPARE(WhitelistUpload::removedAddresses(""), QStringList());
}

QTEST_APPLESS_MAIN(TestStrategyDomain)
#include "tst_strategydomain.moc"
