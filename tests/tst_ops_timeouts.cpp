#include "core/whitelistdatabase.h"
#include "support/fakeprinter.h"
#include "support/fleetmode.h"
#include "support/messageboxcatcher.h"
#include "support/window.h"
#include "ui/cmanage.h"

#include <QDir>
#include <QTabWidget>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

// Pages whose printer never answers: each function is its own CTest entry.
class TestOpsTimeouts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void clockWithoutAnswer();
    void refreshWithoutAnswer();
    void uploadWithoutAnswer();
    void whitelistAddWithoutAnswer();
    void clockLateAnswer();
    void whitelistLateAcceptance();
    void counterWithoutAnswer();
    void clearWithoutAnswer();
    void slowUploadIsNotCut();

private:
    void silence(const QByteArray &path);
    std::unique_ptr<FakePrinter> m_printer;
    std::unique_ptr<cManage> m_window;
    std::unique_ptr<MessageBoxCatcher> m_boxes;
    QString m_address;
};

void TestOpsTimeouts::init()
{
    const bool fleetMode = followFleetMode();
    const QByteArray fn = QTest::currentTestFunction();
    // One address per function: the entries run at the same time, and
    // the memcheck session and the fleet-mode entries run some of them
    // again beside the others.
    const QHash<QByteArray, QString> addresses {
        {"clockWithoutAnswer", "127.0.5.1"},   {"refreshWithoutAnswer", "127.0.5.2"},
        {"uploadWithoutAnswer", "127.0.5.3"},  {"whitelistAddWithoutAnswer", "127.0.5.4"},
        {"clockLateAnswer", "127.0.5.5"},      {"whitelistLateAcceptance", "127.0.5.6"},
        {"counterWithoutAnswer", "127.0.5.7"}, {"clearWithoutAnswer", "127.0.5.8"},
        {"slowUploadIsNotCut", "127.0.5.9"}};
    m_address = addresses.value(fn);
    if (qEnvironmentVariableIsSet("NETTOOL_MEMCHECK"))
        m_address.replace("127.0.5.", "127.0.15.");
    if (fleetMode)
        m_address.replace("127.0.5.", "127.0.25.");
    QVERIFY(!m_address.isEmpty());
    m_printer.reset(new FakePrinter(m_address));
    QVERIFY(m_printer->isListening());
    m_window.reset(new cManage);
    m_boxes.reset(new MessageBoxCatcher);
}

void TestOpsTimeouts::cleanup()
{
    m_boxes.reset();
    m_window.reset();
    m_printer.reset();
}

void TestOpsTimeouts::silence(const QByteArray &path)
{
    FakePrinter::Script never;
    never.mode = FakePrinter::Mode::Never;
    m_printer->script(path, never);
}

void TestOpsTimeouts::clockWithoutAnswer()
{
    silence("/lsp/setTime.php");
    type(*m_window, "lineEdit_6", m_address);
    QElapsedTimer clock;
    clock.start();
    click(*m_window, "pushButton_syncTime");
    QVERIFY(m_boxes->waitForCount(1, 20000));
    QVERIFY(clock.elapsed() >= 9900);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QCOMPARE(m_boxes->last().title, QStringLiteral("时间同步"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    QVERIFY(button(*m_window, "pushButton_syncTime")->isEnabled());
}

void TestOpsTimeouts::refreshWithoutAnswer()
{
    silence("/lsp/getVersion.php");
    type(*m_window, "lineEdit_7", m_address);
    edit(*m_window, "lineEdit_8")->setText("2.0");
    QElapsedTimer clock;
    clock.start();
    click(*m_window, "pushButton_flush");
    QVERIFY(m_boxes->waitForCount(1, 20000));
    QVERIFY(clock.elapsed() >= 9900);
    QCOMPARE(m_boxes->last().title, QStringLiteral("固件版本"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    QCOMPARE(edit(*m_window, "lineEdit_8")->text(), QStringLiteral("2.0"));
    QVERIFY(button(*m_window, "pushButton_update")->isEnabled());
}

void TestOpsTimeouts::uploadWithoutAnswer()
{
    silence("/lsp/upgrade.php");
    QTemporaryDir dir;
    QFile f(dir.filePath("fw.tar.gz"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("image");
    f.close();
    type(*m_window, "lineEdit_7", m_address);
    type(*m_window, "lineEdit_9", f.fileName());
    edit(*m_window, "lineEdit_8")->setText("2.0");
    QElapsedTimer clock;
    clock.start();
    click(*m_window, "pushButton_update");
    QVERIFY(m_boxes->waitForCount(1, 40000));
    QVERIFY(clock.elapsed() >= 29900);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Information);
    QCOMPARE(m_boxes->last().title, QStringLiteral("固件更新"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("固件更新已将打印机恢复为默认ip地址，请重新配置网络"));
    QCOMPARE(edit(*m_window, "lineEdit_8")->text(), QStringLiteral("2.0"));
    QVERIFY(button(*m_window, "pushButton_sel")->isEnabled());
}

void TestOpsTimeouts::whitelistAddWithoutAnswer()
{
    const QString store = WhiteListDatabase::databasePath(m_address);
    QDir(WhiteListDatabase::directoryOf(store)).removeRecursively();
    QVERIFY(WhiteListDatabase().insertIP(store, "10.0.0.5"));
    silence("/lsp/config-strategies.php");
    widget<QTabWidget>(*m_window, "tabWidget")->setCurrentIndex(4);
    type(*m_window, "lineEdit_11", m_address);
    click(*m_window, "loadip");
    type(*m_window, "lineEdit_10", "10.0.0.7");
    QElapsedTimer clock;
    clock.start();
    click(*m_window, "whiteListAddButton");
    QVERIFY(m_boxes->waitForCount(1, 40000));
    QVERIFY(clock.elapsed() >= 29900);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    auto *list = widget<QListWidget>(*m_window, "whiteListWidget");
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QStringLiteral("10.0.0.5"));
    QCOMPARE(WhiteListDatabase().selectIPs(store), QStringList {"10.0.0.5"});
    QVERIFY(button(*m_window, "loadip")->isEnabled());
    QDir(WhiteListDatabase::directoryOf(store)).removeRecursively();
}

// The printer answers after the time-out record: still exactly one box.
void TestOpsTimeouts::clockLateAnswer()
{
    FakePrinter::Script late;
    late.delayMs = 11000;
    m_printer->script("/lsp/setTime.php", late);
    type(*m_window, "lineEdit_6", m_address);
    click(*m_window, "pushButton_syncTime");
    QVERIFY(m_boxes->waitForCount(1, 20000));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    QTest::qWait(2500); // past the late answer
    QCOMPARE(m_boxes->count(), 1);
    QVERIFY(button(*m_window, "pushButton_syncTime")->isEnabled());
}

// A late 200 cannot turn the reported failure into a stored change.
void TestOpsTimeouts::whitelistLateAcceptance()
{
    const QString store = WhiteListDatabase::databasePath(m_address);
    QDir(WhiteListDatabase::directoryOf(store)).removeRecursively();
    FakePrinter::Script late;
    late.delayMs = 31000;
    m_printer->script("/lsp/config-strategies.php", late);
    widget<QTabWidget>(*m_window, "tabWidget")->setCurrentIndex(4);
    type(*m_window, "lineEdit_11", m_address);
    click(*m_window, "loadip");
    type(*m_window, "lineEdit_10", "10.0.0.7");
    click(*m_window, "whiteListAddButton");
    QVERIFY(m_boxes->waitForCount(1, 40000));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    QTest::qWait(2500);
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(widget<QListWidget>(*m_window, "whiteListWidget")->count(), 0);
    QCOMPARE(WhiteListDatabase().selectIPs(store), QStringList());
    QDir(WhiteListDatabase::directoryOf(store)).removeRecursively();
}

// A GET the printer takes but never answers ends after 30 s in the page's
// failure box, with its button back.
void TestOpsTimeouts::counterWithoutAnswer()
{
    silence("/lsp/getPages.php");
    type(*m_window, "lineEdit_5", m_address);
    QElapsedTimer clock;
    clock.start();
    click(*m_window, "getTotalCountsButton");
    QVERIFY(m_boxes->waitForCount(1, 40000));
    QVERIFY(clock.elapsed() >= 29900);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QCOMPARE(m_boxes->last().title, QStringLiteral("打印计数"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    QVERIFY(button(*m_window, "getTotalCountsButton")->isEnabled());
}

void TestOpsTimeouts::clearWithoutAnswer()
{
    silence("/lsp/clear.php");
    type(*m_window, "lineEdit_12", m_address);
    QElapsedTimer clock;
    clock.start();
    click(*m_window, "clearButton");
    QVERIFY(m_boxes->waitForCount(1, 40000));
    QVERIFY(clock.elapsed() >= 29900);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QCOMPARE(m_boxes->last().text, QStringLiteral("清空打印队列失败"));
    QVERIFY(button(*m_window, "clearButton")->isEnabled());
}

// An upload that keeps moving for longer than the time-out is not cut: the
// wait for the answer starts with the last byte.
void TestOpsTimeouts::slowUploadIsNotCut()
{
    m_printer->answer("/lsp/upgrade.php", 200, "1001");
    m_printer->setReadRate(640 * 1024);
    QTemporaryDir dir;
    QFile f(dir.filePath("fw.bin"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(32 << 20, 'x'));
    f.close();
    type(*m_window, "lineEdit_7", m_address);
    type(*m_window, "lineEdit_9", f.fileName());
    QElapsedTimer clock;
    clock.start();
    click(*m_window, "pushButton_update");
    QVERIFY(m_boxes->waitForCount(1, 100000));
    QVERIFY2(clock.elapsed() > 32000, "the upload was not slow enough to outlast the time-out");
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作成功"));
    QVERIFY(m_printer->requests().first().body.size() > (32 << 20));
}

QTEST_MAIN(TestOpsTimeouts)
#include "tst_ops_timeouts.moc"
