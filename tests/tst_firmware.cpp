#include "core/clock.h"
#include "core/firmware.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <time.h>

// Decisions behind the firmware and clock pages, without a window.
class TestFirmware : public QObject
{
    Q_OBJECT

private slots:
    void version_data();
    void version();
    void storedIn_data();
    void storedIn();
    void uploadOutcome();
    void opensRegularFilesOfAnySize();
    void refusesWhatIsNotARegularFile();
    void clockStampIsLocal();
};

void TestFirmware::version_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("version");
    QTest::newRow("label and version") << "version:2.1.7"
                                       << "2.1.7";
    QTest::newRow("two colons") << "a:1.0:build 9"
                                << "1.0";
    QTest::newRow("no colon") << "1.0"
                              << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestFirmware::version()
{
    QFETCH(QString, body);
    QFETCH(QString, version);
    QCOMPARE(Firmware::versionOf(body), version);
}

void TestFirmware::storedIn_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("section");
    QTest::newRow("once") << "bad image. Stored in: /tmp/fw.bin"
                          << " /tmp/fw.bin";
    QTest::newRow("twice") << "x Stored in: A Stored in: B"
                           << " A ";
    QTest::newRow("never") << "refused"
                           << "";
}

void TestFirmware::storedIn()
{
    QFETCH(QString, body);
    QFETCH(QString, section);
    QCOMPARE(Firmware::storedInOf(body), section);
}

void TestFirmware::uploadOutcome()
{
    using Firmware::UploadOutcome;
    QCOMPARE(Firmware::judgeUpload(500, "code 1001"), UploadOutcome::Accepted);
    QCOMPARE(Firmware::judgeUpload(404, "1001"), UploadOutcome::Accepted);
    QCOMPARE(Firmware::judgeUpload(404, "timeout"), UploadOutcome::BackToDefaultAddress);
    QCOMPARE(Firmware::judgeUpload(404, "not found"), UploadOutcome::BackToDefaultAddress);
    QCOMPARE(Firmware::judgeUpload(200, ""), UploadOutcome::Failed);
    QCOMPARE(Firmware::judgeUpload(200, "100 1"), UploadOutcome::Failed);
    QCOMPARE(Firmware::judgeUpload(0, ""), UploadOutcome::Failed);
}

void TestFirmware::opensRegularFilesOfAnySize()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("fw.tar.gz");
    QByteArray bytes;
    for (int i = 0; i < 70000; ++i)
        bytes += char(i * 7);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    std::unique_ptr<QFile> opened(Firmware::openFile(path));
    QVERIFY(opened);
    QCOMPARE(opened->readAll(), bytes);

    const QString empty = dir.filePath("empty.bin");
    QFile e(empty);
    QVERIFY(e.open(QIODevice::WriteOnly));
    e.close();
    opened.reset(Firmware::openFile(empty)); // an empty firmware is still sent
    QVERIFY(opened);
    QCOMPARE(opened->size(), 0);

    // Nothing is held in memory any more, so there is no size limit.
    const QString sparse = dir.filePath("huge.bin");
    QFile h(sparse);
    QVERIFY(h.open(QIODevice::WriteOnly));
    QVERIFY(h.resize(3LL * 1024 * 1024 * 1024));
    h.close();
    opened.reset(Firmware::openFile(sparse));
    QVERIFY(opened);
    QCOMPARE(opened->size(), 3LL * 1024 * 1024 * 1024);
}

void TestFirmware::refusesWhatIsNotARegularFile()
{
    QTemporaryDir dir;
    QVERIFY(!Firmware::openFile(dir.filePath("missing")));
    QVERIFY(!Firmware::openFile(dir.path()));
    QVERIFY(!Firmware::openFile(QString()));

    const QString fifo = dir.filePath("fifo");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!Firmware::openFile(fifo));
    QVERIFY(clock.elapsed() < 2000); // refused, not blocked

    QVERIFY(!Firmware::openFile("/dev/zero"));
}

void TestFirmware::clockStampIsLocal()
{
    const QDateTime instant = QDateTime::fromSecsSinceEpoch(1767663000, Qt::UTC); // 2026-01-06 01:30:00 UTC
    QByteArray saved = qgetenv("TZ");
    qputenv("TZ", "Asia/Shanghai");
    tzset();
    const QString shanghai = Clock::stamp(instant.toLocalTime());
    qputenv("TZ", "UTC");
    tzset();
    const QString utc = Clock::stamp(instant.toLocalTime());
    if (saved.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", saved);
    tzset();
    QCOMPARE(utc, QStringLiteral("20260106013000"));
    QCOMPARE(shanghai, QStringLiteral("20260106093000"));
    // Afternoon hours stay on the 24-hour clock.
    QCOMPARE(Clock::stamp(QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9))), QStringLiteral("20261207140509"));
}

QTEST_GUILESS_MAIN(TestFirmware)
#include "tst_firmware.moc"
