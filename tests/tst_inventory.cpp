#include "core/inventory.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The fleet's inventory: who inherits what from where, what an item on the
// command line selects, and every fault refused with its place in the file.
class TestInventory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void precedenceAndSelection();
    void faultsNamePlace_data();
    void faultsNamePlace();

private:
    QString write(const QString &name, const QByteArray &text);
    QTemporaryDir m_dir;
};

void TestInventory::initTestCase()
{
    QVERIFY(m_dir.isValid());
    write("white.txt", "10.0.0.1\n");
    write("fw.tar.gz", "image");
}

QString TestInventory::write(const QString &name, const QByteArray &text)
{
    QFile f(m_dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(text);
    return f.fileName();
}

void TestInventory::precedenceAndSelection()
{
    const QString path = write("fleet.yml", R"(all:
  vars:
    mask: 255.255.0.0
    gateway: 10.1.0.1
    firmware_wait: 60
    ansible_connection: local
  children:
    site:
      vars:
        mask: 255.255.255.0
        clock: true
      children:
        floor1:
          vars:
            gateway: 10.1.1.1
            whitelist: white.txt
          hosts:
            lobby:
              address: 010.001.001.010
              gateway: 10.1.1.254
              tags: [canary, colour]
            copyroom:
              address: 10.1.1.11
              firmware: {version: "2.1.0", image: fw.tar.gz}
    spare:
      hosts:
        cellar:
          address: 10.1.9.9
          tags: mono
        lobby:
)");
    Inventory inv;
    QString why;
    QVERIFY2(Inventory::load(path, &inv, &why), qPrintable(why));
    QCOMPARE(inv.hosts().size(), 3);
    const InventoryHost &lobby = inv.hosts().at(0);
    QCOMPARE(lobby.name, QStringLiteral("lobby"));
    QCOMPARE(lobby.address, QStringLiteral("10.1.1.10")); // plain decimal
    QCOMPARE(lobby.gateway, QStringLiteral("10.1.1.254")); // its own beats its group's
    QCOMPARE(lobby.mask, QStringLiteral("255.255.255.0")); // the nearer group beats all
    QVERIFY(lobby.clock);
    QCOMPARE(lobby.firmwareWait, 60);
    QCOMPARE(lobby.whitelist, m_dir.filePath("white.txt")); // beside the inventory
    QCOMPARE(lobby.groups, (QStringList {"all", "floor1", "site", "spare"}));
    const InventoryHost &copyroom = inv.hosts().at(1);
    QCOMPARE(copyroom.gateway, QStringLiteral("10.1.1.1"));
    QCOMPARE(copyroom.firmwareVersion, QStringLiteral("2.1.0"));
    QCOMPARE(copyroom.firmwareImage, m_dir.filePath("fw.tar.gz"));
    const InventoryHost &cellar = inv.hosts().at(2);
    QCOMPARE(cellar.mask, QStringLiteral("255.255.0.0"));
    QVERIFY(!cellar.clock);
    QCOMPARE(cellar.tags, QStringList {"mono"});
    QCOMPARE(cellar.firmwareWait, 60);

    auto names = [&](const QString &item) {
        QStringList n;
        for (const InventoryHost *h : inv.select(item))
            n << h->name;
        return n;
    };
    QCOMPARE(names("site"), (QStringList {"lobby", "copyroom"}));
    QCOMPARE(names("spare"), (QStringList {"lobby", "cellar"}));
    QCOMPARE(names("all"), (QStringList {"lobby", "copyroom", "cellar"}));
    QCOMPARE(names("tag:canary"), QStringList {"lobby"});
    QCOMPARE(names("cellar"), QStringList {"cellar"});
    QCOMPARE(names("10.1.001.11"), QStringList {"copyroom"});
    QVERIFY(names("tag:none").isEmpty());
    QVERIFY(names("10.9.9.9").isEmpty());
    QVERIFY(names("basement").isEmpty());
}

void TestInventory::faultsNamePlace_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("what");
    QTest::newRow("syntax") << QByteArray("all:\n  hosts:\n    a: {address: 10.0.0.1\n") << ":4:"
                            << "";
    QTest::newRow("unknown variable") << QByteArray(
        "all:\n  hosts:\n    a:\n      address: 10.0.0.1\n      adress: x\n")
                                      << ":5:7"
                                      << "unknown variable: adress";
    QTest::newRow("unknown group key") << QByteArray("all:\n  host:\n    a:\n") << ":2:3"
                                       << "unknown key host";
    QTest::newRow("no address") << QByteArray("all:\n  hosts:\n    a:\n      mask: 255.255.255.0\n") << ":3:5"
                                << "host a has no address";
    QTest::newRow("bad address") << QByteArray("all:\n  hosts:\n    a:\n      address: 10.0.0.256\n") << ":4:7"
                                 << "address: not an IPv4 address";
    QTest::newRow("broadcast address") << QByteArray("all:\n  hosts:\n    a:\n      address: 10.0.0.255\n") << ":4:7"
                                       << "not a printer's address";
    QTest::newRow("one address twice") << QByteArray(
        "all:\n  hosts:\n    a:\n      address: 10.0.0.1\n    b:\n      address: 10.0.0.01\n")
                                       << ":6:7"
                                       << "hosts a and b have one address, 10.0.0.1";
    QTest::newRow("missing whitelist") << QByteArray(
        "all:\n  vars:\n    whitelist: nowhere.txt\n  hosts:\n    a:\n      address: 10.0.0.1\n")
                                       << ":3:5"
                                       << "whitelist: cannot read";
    QTest::newRow("missing image") << QByteArray(
        "all:\n  hosts:\n    a:\n      address: 10.0.0.1\n      firmware:\n        version: \"2\"\n"
        "        image: gone.tar.gz\n")
                                   << ":7:16"
                                   << "firmware image: cannot read";
    QTest::newRow("firmware without version")
        << QByteArray("all:\n  hosts:\n    a:\n      address: 10.0.0.1\n      firmware: {image: fw.tar.gz}\n") << ":5:7"
        << "firmware without a version";
    QTest::newRow("clock not a boolean") << QByteArray(
        "all:\n  hosts:\n    a:\n      address: 10.0.0.1\n      clock: sometimes\n")
                                         << ":5:7"
                                         << "clock: true or false";
    QTest::newRow("wait out of range") << QByteArray(
        "all:\n  vars:\n    firmware_wait: 0\n  hosts:\n    a:\n      address: 10.0.0.1\n")
                                       << ":3:5"
                                       << "firmware_wait";
}

void TestInventory::faultsNamePlace()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, place);
    QFETCH(QString, what);
    const QString path = write("bad.yml", text);
    Inventory inv;
    QString why;
    QVERIFY(!Inventory::load(path, &inv, &why));
    QVERIFY2(why.startsWith(path + place), qPrintable(why));
    QVERIFY2(why.contains(what), qPrintable(why));
    QVERIFY(inv.hosts().isEmpty());
}

QTEST_GUILESS_MAIN(TestInventory)
#include "tst_inventory.moc"
