#include "core/auditlog.h"
#include "core/whitelist.h"
#include "core/whitelistdatabase.h"
#include "support/debugcapture.h"
#include "support/fakeprinter.h"
#include "support/messageboxcatcher.h"
#include "support/mountns.h"
#include "support/window.h"
#include "ui/cmanage.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTabWidget>
#include <QtTest>

#include <cstdio>

// The store on a file system that fills up or turns read-only (a small
// tmpfs in a private mount namespace): no crash, no file left unreadable,
// every failure reported through return values and the page's boxes.
class TestStoreFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void diskFull();
    void changeRefusedWhereStoreCannotBeWritten();
    void acceptedChangeOnFullDisk();
    void failedCreationLeavesNoFile();
    void readOnly();
    void directoryBlockedByFile();
    void changesAreAudited();
};

namespace {
QString path(const char *printer)
{
    return WhiteListDatabase::databasePath(printer);
}
QString address(int i)
{
    return QString("10.%1.%2.%3").arg(i / 65536).arg((i / 256) % 256).arg(i % 256);
}

const char *const Filler = "/var/varnok/data/filler";

// Fills the file system, then gives back `spare` bytes: filling it row by
// row would take thousands of keyed opens.
bool fillLeaving(qint64 spare)
{
    QFile filler(Filler);
    if (!filler.open(QIODevice::WriteOnly))
        return false;
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size() && filler.flush()) { }
    filler.close();
    return filler.resize(qMax<qint64>(0, filler.size() - spare));
}
} // namespace

void TestStoreFaults::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QVERIFY(QDir("/var/varnok/data").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

void TestStoreFaults::cleanup()
{
    MountNs::remountReadOnly(false);
    for (const QString &entry : QDir("/var/varnok/data").entryList(QDir::NoDotAndDotDot | QDir::AllEntries)) {
        QFileInfo info("/var/varnok/data/" + entry);
        if (info.isDir())
            QDir(info.filePath()).removeRecursively();
        else
            QFile::remove(info.filePath());
    }
}

void TestStoreFaults::diskFull()
{
    const QString p = path("127.0.12.1");
    WhiteListDatabase store;
    QVERIFY(store.insertIP(p, address(0)));
    QStringList stored {address(0)};
    QVERIFY(fillLeaving(24 * 1024));
    int failures = 0;
    // Past the first refusal too: a later insert may fit again in a page
    // the failed one freed.
    for (int i = 1; i < 2000 && failures < 5; ++i) {
        if (store.insertIP(p, address(i)))
            stored << address(i);
        else
            ++failures;
    }
    QVERIFY2(failures == 5, "the small file system never filled up");
    QVERIFY(stored.size() > 1);
    // Full, but whole: exactly the inserts that said true are there.
    QCOMPARE(store.selectIPs(p), stored);
    const QStringList afterDelete = store.deleteIPs(p, "'" + stored.first() + "'");
    QVERIFY(afterDelete == stored.mid(1) || afterDelete == QStringList {"error"});
    const QStringList after = store.selectIPs(p);
    QVERIFY(after == stored || after == stored.mid(1));
}

// A store that cannot be written (a read-only disk, a file where the
// printer's folder belongs): the page says which folder, never that a
// colleague is at work, and nothing goes to the printer (it would hold a
// list this machine could not record).
void TestStoreFaults::changeRefusedWhereStoreCannotBeWritten()
{
    const char *printer = "127.0.12.2";
    const char *blocked = "127.0.12.8";
    FakePrinter fake(printer);
    FakePrinter fakeBlocked(blocked);
    QVERIFY(fake.isListening() && fakeBlocked.isListening());
    QVERIFY(WhiteListDatabase().insertIP(path(printer), "10.0.0.1"));
    QFile blocker(QStringLiteral("/var/varnok/data/") + blocked);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    cManage window;
    MessageBoxCatcher boxes;
    widget<QTabWidget>(window, "tabWidget")->setCurrentIndex(4);
    auto tryAdd = [&](const char *p) {
        type(window, "lineEdit_11", p);
        click(window, "loadip");
        type(window, "lineEdit_10", "10.0.0.2");
        click(window, "whiteListAddButton");
    };
    QVERIFY(MountNs::remountReadOnly(true));
    tryAdd(printer);
    QVERIFY(MountNs::remountReadOnly(false));
    tryAdd(blocked);
    QCOMPARE(boxes.count(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(boxes.boxes().at(i).icon, QMessageBox::Warning);
        QVERIFY(boxes.boxes().at(i).text.contains(QStringLiteral("/var/varnok/data/") + (i ? blocked : printer)));
        QVERIFY(!boxes.boxes().at(i).text.contains(QStringLiteral("他人"))); // no colleague to wait for
    }
    QCOMPARE(widget<QListWidget>(window, "whiteListWidget")->count(), 0);
    QVERIFY(button(window, "whiteListAddButton")->isEnabled());
    QTest::qWait(100);
    QVERIFY(fake.requests().isEmpty());
    QVERIFY(fakeBlocked.requests().isEmpty());
    QCOMPARE(WhiteListDatabase().selectIPs(path(printer)), QStringList {"10.0.0.1"});
    QVERIFY(!QFileInfo::exists(Whitelist::intentPath(printer)));
}

// The disk fills while the change is on its way: the printer took a list
// the store cannot hold. The operator is told, the intent stays, and the
// next load says the printer's list is uncertain until it is sent again.
void TestStoreFaults::acceptedChangeOnFullDisk()
{
    const char *printer = "127.0.12.7";
    FakePrinter fake(printer);
    QVERIFY(fake.isListening());
    FakePrinter::Script hold;
    hold.mode = FakePrinter::Mode::Hold;
    fake.script("/lsp/config-strategies.php", hold);
    QVERIFY(WhiteListDatabase().insertIP(path(printer), "10.0.0.1"));
    cManage window;
    MessageBoxCatcher boxes;
    widget<QTabWidget>(window, "tabWidget")->setCurrentIndex(4);
    type(window, "lineEdit_11", printer);
    click(window, "loadip");
    type(window, "lineEdit_10", "10.0.0.2");
    click(window, "whiteListAddButton");
    QVERIFY(QTest::qWaitFor([&] { return fake.heldCount() == 1; }, 5000));
    QVERIFY(fillLeaving(0));
    QVERIFY(fake.release(200));
    QVERIFY(boxes.waitForCount(1));
    QCOMPARE(boxes.boxes().first().text, QStringLiteral("操作成功"));
    const QStringList now = WhiteListDatabase().selectIPs(path(printer));
    QVERIFY(now == QStringList({"10.0.0.1"}) || now == QStringList({"10.0.0.1", "10.0.0.2"}));
    // A change the printer took but the store lost is said, not hidden.
    const bool lost = now.size() == 1;
    QTRY_COMPARE(boxes.count(), lost ? 2 : 1);
    QCOMPARE(QFileInfo::exists("/var/varnok/data/127.0.12.7/strategy.pending"), lost);
    QVERIFY(button(window, "loadip")->isEnabled());
    QFile::remove(Filler);
    click(window, "loadip");
    QCOMPARE(boxes.count(), lost ? 3 : 1);
    QCOMPARE(widget<QListWidget>(window, "whiteListWidget")->count(), now.size());
    if (!lost)
        return;
    QCOMPARE(boxes.last().icon, QMessageBox::Warning); // the printer may hold the other list
    // Sending the list again (nothing selected) settles it.
    fake.answer("/lsp/config-strategies.php", 200);
    click(window, "whiteListRemoveButton");
    QVERIFY(boxes.waitForCount(4));
    QCOMPARE(boxes.last().text, QStringLiteral("操作成功"));
    QVERIFY(!QFileInfo::exists("/var/varnok/data/127.0.12.7/strategy.pending"));
}

// A store that cannot even be created leaves no empty file behind, which
// would make every later load of that printer fail.
void TestStoreFaults::failedCreationLeavesNoFile()
{
    QVERIFY(fillLeaving(0));
    const QString p = path("127.0.12.4");
    WhiteListDatabase store;
    QVERIFY(!store.insertIP(p, "10.0.0.1"));
    QVERIFY(!QFileInfo::exists(p));
    QFile::remove(Filler);
    QVERIFY(store.insertIP(p, "10.0.0.1"));
    QCOMPARE(store.selectIPs(p), QStringList {"10.0.0.1"});
}

void TestStoreFaults::readOnly()
{
    const QString existing = path("127.0.12.3");
    WhiteListDatabase store;
    QVERIFY(store.insertIP(existing, "10.0.0.1"));
    QVERIFY(MountNs::remountReadOnly(true));
    QVERIFY(!store.insertIP(existing, "10.0.0.2"));
    QVERIFY(!store.insertIP(path("127.0.12.4"), "10.0.0.2"));
    QVERIFY(!QFileInfo::exists(WhiteListDatabase::directoryOf(path("127.0.12.4"))));
    const QStringList read = store.selectIPs(existing);
    QVERIFY(read == QStringList {"10.0.0.1"} || read == QStringList {"error"});
    QVERIFY(MountNs::remountReadOnly(false));
    QCOMPARE(store.selectIPs(existing), QStringList {"10.0.0.1"});
}

void TestStoreFaults::directoryBlockedByFile()
{
    QFile blocker("/var/varnok/data/127.0.12.5");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    WhiteListDatabase store;
    QVERIFY(!store.insertIP(path("127.0.12.5"), "10.0.0.1"));
    QCOMPARE(store.selectIPs(path("127.0.12.5")), QStringList());
    QCOMPARE(QFileInfo(blocker.fileName()).size(), qint64(0));
}

// Changes leave one line each in the audit log, readings none; a log that
// cannot be written stops nothing and says why.
void TestStoreFaults::changesAreAudited()
{
    QFile::remove(AuditLog::path()); // what earlier cases logged
    const char *printer = "127.0.12.6";
    FakePrinter fake(printer);
    QVERIFY(fake.isListening());
    fake.answer("/lsp/getPages.php", 200, "5");
    cManage window;
    MessageBoxCatcher boxes;
    type(window, "lineEdit_6", printer);
    click(window, "pushButton_syncTime");
    QVERIFY(boxes.waitForCount(1));
    type(window, "lineEdit_5", printer);
    click(window, "getTotalCountsButton");
    QVERIFY(boxes.waitForCount(2));
    QFile log(AuditLog::path());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().split('\n');
    log.close();
    QCOMPARE(lines.size(), 2); // one line and the final newline
    const QJsonObject entry = QJsonDocument::fromJson(lines.first()).object();
    QCOMPARE(entry.value("operation").toString(), QStringLiteral("clock"));
    QCOMPARE(entry.value("printer").toString(), QString(printer));
    QVERIFY(entry.value("ok").toBool());

    QVERIFY(MountNs::remountLogReadOnly(true));
    DebugCapture debug;
    click(window, "pushButton_syncTime");
    QVERIFY(boxes.waitForCount(3));
    QCOMPARE(boxes.last().text, QStringLiteral("操作成功"));
    QVERIFY(debug.contains("audit log"));
    QCOMPARE(fake.requestsFor("/lsp/setTime.php").size(), 2);
    QVERIFY(MountNs::remountLogReadOnly(false));
}

int main(int argc, char **argv)
{
    if (!MountNs::enter(argc, argv, "512k")) {
        std::fprintf(stderr, "SKIP: no private mount namespace here\n");
        return MountNs::SkipExitCode;
    }
    // Inside its own namespace this test wants the real path, on its tmpfs.
    qunsetenv("NETTOOL_AUDIT_LOG");
    QApplication app(argc, argv);
    TestStoreFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_store_faults.moc"
