#include "app/instancechannel.h"
#include "app/startup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QLockFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <unistd.h>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void catalogueTranslatesStandardButtons();
    void missingCatalogueIsIgnored();
    void fontFromExecutableDirectory();
    void missingFontKeepsDefault();
    void centring_data();
    void centring();
    void lockOutcomes();
    void secondStartAsksToRaise();

private:
    static QString binDir() { return qEnvironmentVariable("NETTOOL_BIN_DIR", QCoreApplication::applicationDirPath()); }
    static QString okText()
    {
        QMessageBox box(QMessageBox::Information, "t", "x", QMessageBox::Ok);
        return box.button(QMessageBox::Ok)->text();
    }
};

void TestStartup::catalogueTranslatesStandardButtons()
{
    QTranslator translator;
    QVERIFY(Startup::installCatalogue(translator, binDir()));
    QCOMPARE(okText(), QStringLiteral("确定"));
    QCoreApplication::removeTranslator(&translator);
}

void TestStartup::missingCatalogueIsIgnored()
{
    QTemporaryDir empty;
    QTranslator translator;
    QVERIFY(!Startup::installCatalogue(translator, empty.path()));
    QCOMPARE(okText().remove('&'), QStringLiteral("OK"));
    QVERIFY(!okText().contains(QStringLiteral("确定")));
    QCoreApplication::removeTranslator(&translator);
}

void TestStartup::fontFromExecutableDirectory()
{
    const QString family = Startup::applyApplicationFont(binDir());
    QVERIFY(!family.isEmpty());
    // Whatever family the file gives, that is the one the application uses.
    const int id = QFontDatabase::addApplicationFont(binDir() + "/wqy-zenhei.ttf");
    QVERIFY(id != -1);
    QCOMPARE(family, QFontDatabase::applicationFontFamilies(id).first());
    QVERIFY(family.contains(QStringLiteral("WenQuanYi")));
    QCOMPARE(QApplication::font().family(), family);
    QCOMPARE(QApplication::font().pointSize(), 10);
    QCOMPARE(QApplication::font().weight(), 50);
    QVERIFY(!QApplication::font().italic());
}

void TestStartup::missingFontKeepsDefault()
{
    QTemporaryDir empty;
    const QFont before = QApplication::font();
    QVERIFY(Startup::applyApplicationFont(empty.path()).isEmpty());
    QCOMPARE(QApplication::font(), before);
}

void TestStartup::centring_data()
{
    QTest::addColumn<QSize>("desktop");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("full hd") << QSize(1920, 1080) << QSize(539, 407) << QPoint(690, 336);
    QTest::newRow("odd remainder truncates") << QSize(1024, 768) << QSize(539, 407) << QPoint(242, 180);
    QTest::newRow("smaller desktop goes negative") << QSize(500, 400) << QSize(539, 407) << QPoint(-19, -3);
}

void TestStartup::centring()
{
    QFETCH(QSize, desktop);
    QFETCH(QSize, window);
    QFETCH(QPoint, expected);
    QCOMPARE(Startup::centredPosition(desktop, window), expected);
}

void TestStartup::lockOutcomes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nettoollockfile");
    QLockFile first(path);
    QCOMPARE(Startup::takeLock(first), Startup::LockOutcome::Taken);
    QLockFile second(path);
    QCOMPARE(Startup::takeLock(second), Startup::LockOutcome::HeldElsewhere);
    first.unlock();
    QVERIFY(!QFile::exists(path));

    QLockFile nowhere(dir.filePath("missing/nettoollockfile"));
    QCOMPARE(Startup::takeLock(nowhere), Startup::LockOutcome::Unavailable);
}

void TestStartup::secondStartAsksToRaise()
{
    const QString name = QStringLiteral("nettool-test-%1").arg(QCoreApplication::applicationPid());
    QVERIFY(!InstanceChannel::askToRaise(name, 200)); // nobody listens yet
    {
        // One that ends without cleaning up leaves its socket file behind.
        InstanceChannel crashed;
        QVERIFY(crashed.listen(name));
    }
    InstanceChannel running;
    QVERIFY(running.listen(name)); // taken over by the lock holder
    QSignalSpy raise(&running, &InstanceChannel::raiseRequested);
    QVERIFY(InstanceChannel::askToRaise(name, 1000));
    QVERIFY(raise.wait(2000));
    QVERIFY(InstanceChannel::askToRaise(name, 1000));
    QVERIFY(raise.wait(2000));
    QCOMPARE(raise.count(), 2);
    QVERIFY(InstanceChannel::name().endsWith(QString::number(::getuid())));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
