#include "core/auditlog.h"
#include "core/strategydomain.h"
#include "core/whitelist.h"
#include "core/whitelistdatabase.h"
#include "support/fakeprinter.h"
#include "support/messageboxcatcher.h"
#include "support/strategycipher.h"
#include "support/window.h"
#include "ui/cmanage.h"

#include <QDir>
#include <QTabWidget>
#include <QtTest>

// The whitelist page against scripted printers: what is uploaded (decrypted
// here), what the store holds after each answer, and what the page shows.
class TestWhitelistPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadNewPrinter();
    void loadRefusesBadAddress();
    void loadFailsOnForeignFile();
    void addAccepted();
    void addRefused_data();
    void addRefused();
    void addChecksAddress();
    void removeTwo_data();
    void removeTwo();
    void removeNothingSelected();
    void removeLastRow();

    void answerAfterLeavingPage();
    void answerAfterLoadingAnotherPrinter();
    void failureAfterLeavingPage();
    void editedPrinterFieldIsRefused();
    void pathInFieldWhileUploadOutstanding();
    void reloadRefusedWhileChangeOnItsWay();
    void closeWaitsForChangeOnItsWay();
    void closeWithBoxOpen();
    void zeroPaddedAddressIsTheSamePrinter();
    void changedElsewhereSinceLoadIsRefused();
    void changeUnderWayElsewhereIsRefused();

private:
    static const char *const A;
    static const char *const B;
    QStringList shown() const;
    QString storePath(const char *printer) const { return WhiteListDatabase::databasePath(printer); }
    QStringList stored(const char *printer) const { return WhiteListDatabase().selectIPs(storePath(printer)); }
    void seed(const char *printer, const QStringList &addresses);
    void load(const char *printer);
    QString lastDocument(FakePrinter &printer) const;
    // Adds an address to printer A's loaded list while A holds its answer.
    void addWhileAHolds(const char *address);
    void leavePageAndReturn(int via = 0);
    void removeStores();

    std::unique_ptr<FakePrinter> m_a;
    std::unique_ptr<FakePrinter> m_b;
    std::unique_ptr<cManage> m_window;
    std::unique_ptr<MessageBoxCatcher> m_boxes;
};

const char *const TestWhitelistPage::A = "127.0.8.1";
const char *const TestWhitelistPage::B = "127.0.8.2";

void TestWhitelistPage::initTestCase()
{
    QVERIFY(QDir().mkpath("/var/varnok/data"));
    QVERIFY(!QFileInfo::exists("/var/varnok/data//strategy.dll"));
}

void TestWhitelistPage::removeStores()
{
    for (const char *p : {A, B})
        QDir(WhiteListDatabase::directoryOf(storePath(p))).removeRecursively();
}

void TestWhitelistPage::init()
{
    removeStores();
    m_a.reset(new FakePrinter(A));
    m_b.reset(new FakePrinter(B));
    QVERIFY(m_a->isListening() && m_b->isListening());
    m_window.reset(new cManage);
    widget<QTabWidget>(*m_window, "tabWidget")->setCurrentIndex(4);
    m_boxes.reset(new MessageBoxCatcher);
}

void TestWhitelistPage::cleanup()
{
    m_boxes.reset();
    m_window.reset();
    m_a.reset();
    m_b.reset();
    removeStores();
    // Nothing may ever land outside a printer's own directory.
    QVERIFY(!QFileInfo::exists("/var/varnok/data/strategy.dll"));
    QVERIFY(!QFileInfo::exists("/var/varnok/data//strategy.dll"));
}

QStringList TestWhitelistPage::shown() const
{
    QStringList rows;
    auto *list = widget<QListWidget>(*m_window, "whiteListWidget");
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text();
    return rows;
}

void TestWhitelistPage::seed(const char *printer, const QStringList &addresses)
{
    WhiteListDatabase store;
    for (const QString &a : addresses)
        QVERIFY(store.insertIP(storePath(printer), a));
}

void TestWhitelistPage::load(const char *printer)
{
    type(*m_window, "lineEdit_11", printer);
    click(*m_window, "loadip");
}

QString TestWhitelistPage::lastDocument(FakePrinter &printer) const
{
    const auto requests = printer.requestsFor("/lsp/config-strategies.php");
    return requests.isEmpty() ? QString() : decryptStrategies(requests.last().body);
}

void TestWhitelistPage::addWhileAHolds(const char *address)
{
    FakePrinter::Script hold;
    hold.mode = FakePrinter::Mode::Hold;
    m_a->script("/lsp/config-strategies.php", hold);
    load(A);
    type(*m_window, "lineEdit_10", address);
    click(*m_window, "whiteListAddButton");
    QVERIFY(QTest::qWaitFor([&] { return m_a->heldCount() == 1; }, 5000));
}

void TestWhitelistPage::leavePageAndReturn(int via)
{
    widget<QTabWidget>(*m_window, "tabWidget")->setCurrentIndex(via);
    widget<QTabWidget>(*m_window, "tabWidget")->setCurrentIndex(4);
}

void TestWhitelistPage::loadNewPrinter()
{
    load(A);
    QCOMPARE(m_boxes->count(), 0);
    QVERIFY(shown().isEmpty());
    QVERIFY(button(*m_window, "whiteListAddButton")->isEnabled());
    QVERIFY(button(*m_window, "whiteListRemoveButton")->isEnabled());
    QVERIFY(!QFileInfo::exists(WhiteListDatabase::directoryOf(storePath(A))));
}

void TestWhitelistPage::loadRefusesBadAddress()
{
    load("192.168.1.256");
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Warning);
    QCOMPARE(m_boxes->last().title, QStringLiteral("安全认证"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("请输入正确打印机IP地址"));
    QVERIFY(m_boxes->last().hasParent);
    QVERIFY(!button(*m_window, "whiteListAddButton")->isEnabled());
}

void TestWhitelistPage::loadFailsOnForeignFile()
{
    seed(A, {"10.0.0.1"});
    load(A);
    QCOMPARE(shown(), QStringList {"10.0.0.1"});
    QFile f(storePath(B));
    QDir().mkpath(WhiteListDatabase::directoryOf(storePath(B)));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    load(B);
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QCOMPARE(m_boxes->last().text, QStringLiteral("加载白名单失败"));
    QCOMPARE(shown(), QStringList {"10.0.0.1"}); // the list keeps what it showed
}

void TestWhitelistPage::addAccepted()
{
    seed(A, {"10.0.0.5"});
    load(A);
    QCOMPARE(shown(), QStringList {"10.0.0.5"});
    type(*m_window, "lineEdit_10", "10.0.0.7");
    bool busyWhileOpen = false;
    bool lockFreeWhileOpen = false;
    QStringList storeWhileOpen;
    QByteArray auditWhileOpen;
    m_boxes->whileOpen = [&](QMessageBox *) {
        busyWhileOpen = !button(*m_window, "whiteListAddButton")->isEnabled()
            && !button(*m_window, "whiteListRemoveButton")->isEnabled() && !button(*m_window, "loadip")->isEnabled();
        storeWhileOpen = stored(A);
        QFile log(AuditLog::path());
        if (log.open(QIODevice::ReadOnly))
            auditWhileOpen = log.readAll();
        QString why;
        lockFreeWhileOpen = Whitelist::PrinterLock(A).acquire(&why) == Whitelist::PrinterLock::Outcome::Held;
    };
    QFile::remove(AuditLog::path());
    click(*m_window, "whiteListAddButton");
    QCOMPARE(shown(), (QStringList {"10.0.0.5", "10.0.0.7"})); // at once
    QVERIFY(!button(*m_window, "loadip")->isEnabled());
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Information);
    QCOMPARE(m_boxes->last().title, QStringLiteral("安全认证"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作成功"));
    QVERIFY(!m_boxes->last().hasParent);
    QVERIFY(busyWhileOpen);
    // Recorded before the box opens, and nobody else is held up by it.
    QCOMPARE(storeWhileOpen, (QStringList {"10.0.0.5", "10.0.0.7"}));
    QCOMPARE(auditWhileOpen.count('\n'), 1);
    QVERIFY(auditWhileOpen.contains("\"added\":[\"10.0.0.7\"]"));
    QVERIFY(auditWhileOpen.contains("\"source\":\"window\""));
    QVERIFY(lockFreeWhileOpen);
    QVERIFY(!QFileInfo::exists(Whitelist::intentPath(A)));
    QCOMPARE(stored(A), (QStringList {"10.0.0.5", "10.0.0.7"}));
    QVERIFY(button(*m_window, "whiteListAddButton")->isEnabled());
    QVERIFY(button(*m_window, "loadip")->isEnabled());
    QCOMPARE(lastDocument(*m_a), StrategyDomain::createStrategyXml({"10.0.0.5", "10.0.0.7"}));
    QVERIFY(lastDocument(*m_a).contains("<IP>10.0.0.5;10.0.0.7</IP>"));
    QVERIFY(m_b->requests().isEmpty());
}

void TestWhitelistPage::addRefused_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("mode");
    QTest::newRow("500") << 500 << int(FakePrinter::Mode::Answer);
    QTest::newRow("status 0") << 0 << int(FakePrinter::Mode::Close);
    QTest::newRow("reset mid body") << 500 << int(FakePrinter::Mode::ResetMidBody);
    QTest::newRow("not HTTP") << 200 << int(FakePrinter::Mode::NotHttp);
}

void TestWhitelistPage::addRefused()
{
    QFETCH(int, status);
    QFETCH(int, mode);
    FakePrinter::Script s;
    s.status = status;
    s.mode = FakePrinter::Mode(mode);
    s.body = "accepted and then some";
    m_a->script("/lsp/config-strategies.php", s);
    seed(A, {"10.0.0.5"});
    load(A);
    type(*m_window, "lineEdit_10", "10.0.0.7");
    click(*m_window, "whiteListAddButton");
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    QVERIFY(!m_boxes->last().hasParent);
    QCOMPARE(shown(), QStringList {"10.0.0.5"});
    QCOMPARE(stored(A), QStringList {"10.0.0.5"});
    QVERIFY(button(*m_window, "whiteListRemoveButton")->isEnabled());
}

void TestWhitelistPage::addChecksAddress()
{
    load(A);
    type(*m_window, "lineEdit_10", "10.0.0.7");
    click(*m_window, "whiteListAddButton");
    QVERIFY(m_boxes->waitForCount(1));
    type(*m_window, "lineEdit_10", "10.0.0.7");
    click(*m_window, "whiteListAddButton");
    QCOMPARE(m_boxes->count(), 2);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Warning);
    QCOMPARE(m_boxes->last().text, QStringLiteral("白名单中已存在该IP"));
    QCOMPARE(m_a->requests().size(), 1);
    // One address, one entry: leading zeros make no second one.
    type(*m_window, "lineEdit_10", "010.000.000.007");
    click(*m_window, "whiteListAddButton");
    QCOMPARE(m_boxes->count(), 3);
    QCOMPARE(m_boxes->last().text, QStringLiteral("白名单中已存在该IP"));
    type(*m_window, "lineEdit_10", "10.0.0.08");
    click(*m_window, "whiteListAddButton");
    QVERIFY(m_boxes->waitForCount(4));
    QCOMPARE(stored(A), (QStringList {"10.0.0.7", "10.0.0.8"}));
    QCOMPARE(shown(), (QStringList {"10.0.0.7", "10.0.0.8"}));
    QVERIFY(lastDocument(*m_a).contains("<IP>10.0.0.7;10.0.0.8</IP>"));
    type(*m_window, "lineEdit_10", "10.0.0.256");
    click(*m_window, "whiteListAddButton");
    QCOMPARE(m_boxes->last().text, QStringLiteral("请输入正确打印机IP地址"));
    QCOMPARE(m_a->requests().size(), 2);
}

void TestWhitelistPage::removeTwo_data()
{
    QTest::addColumn<int>("status");
    QTest::newRow("accepted") << 200;
    QTest::newRow("refused") << 503;
}

void TestWhitelistPage::removeTwo()
{
    QFETCH(int, status);
    m_a->answer("/lsp/config-strategies.php", status);
    seed(A, {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"});
    load(A);
    auto *list = widget<QListWidget>(*m_window, "whiteListWidget");
    list->item(2)->setSelected(true);
    list->item(0)->setSelected(true);
    QStringList order;
    for (QListWidgetItem *item : list->selectedItems())
        order << item->text();
    click(*m_window, "whiteListRemoveButton");
    QCOMPARE(shown(), (QStringList {"10.0.0.2", "10.0.0.4"}));
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(lastDocument(*m_a), StrategyDomain::createStrategyXml({"10.0.0.2", "10.0.0.4"}));
    if (status == 200) {
        QCOMPARE(stored(A), (QStringList {"10.0.0.2", "10.0.0.4"}));
        QCOMPARE(shown(), (QStringList {"10.0.0.2", "10.0.0.4"}));
    } else {
        QCOMPARE(stored(A), (QStringList {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"}));
        QCOMPARE(shown(), QStringList({"10.0.0.2", "10.0.0.4"}) + order);
    }
    QVERIFY(button(*m_window, "loadip")->isEnabled());
}

void TestWhitelistPage::removeNothingSelected()
{
    seed(A, {"10.0.0.1", "10.0.0.2"});
    load(A);
    click(*m_window, "whiteListRemoveButton");
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(lastDocument(*m_a), StrategyDomain::createStrategyXml({"10.0.0.1", "10.0.0.2"}));
    QCOMPARE(stored(A), (QStringList {"10.0.0.1", "10.0.0.2"}));
    m_a->answer("/lsp/config-strategies.php", 500);
    click(*m_window, "whiteListRemoveButton");
    QVERIFY(m_boxes->waitForCount(2));
    QCOMPARE(shown(), (QStringList {"10.0.0.1", "10.0.0.2"}));
}

void TestWhitelistPage::removeLastRow()
{
    seed(A, {"10.0.0.1"});
    load(A);
    widget<QListWidget>(*m_window, "whiteListWidget")->item(0)->setSelected(true);
    click(*m_window, "whiteListRemoveButton");
    QVERIFY(m_boxes->waitForCount(1));
    const QString doc = lastDocument(*m_a);
    QVERIFY(doc.contains("<AuthType>None</AuthType>"));
    QVERIFY(doc.contains("<IP></IP>\n   <IPMAC>"));
    QCOMPARE(stored(A), QStringList());
}

// The answer arrives after the operator left the page: the change belongs
// to the printer it was sent to, never to an empty or other address.
void TestWhitelistPage::answerAfterLeavingPage()
{
    seed(A, {"10.0.0.5"});
    addWhileAHolds("10.0.0.7");
    widget<QTabWidget>(*m_window, "tabWidget")->setCurrentIndex(1);
    QVERIFY(m_a->release(200));
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作成功"));
    QCOMPARE(stored(A), (QStringList {"10.0.0.5", "10.0.0.7"}));
    QVERIFY(!QFileInfo::exists("/var/varnok/data//strategy.dll"));
    // The page stays unloaded: nothing can be added to a list never loaded.
    QVERIFY(!button(*m_window, "whiteListAddButton")->isEnabled());
    QVERIFY(!button(*m_window, "whiteListRemoveButton")->isEnabled());
    QVERIFY(button(*m_window, "loadip")->isEnabled());
    QVERIFY(shown().isEmpty());
}

void TestWhitelistPage::answerAfterLoadingAnotherPrinter()
{
    seed(A, {"10.0.0.5"});
    seed(B, {"10.9.9.9"});
    addWhileAHolds("10.0.0.7");
    leavePageAndReturn();
    load(B);
    QCOMPARE(shown(), QStringList {"10.9.9.9"});
    QVERIFY(m_a->release(200));
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(stored(A), (QStringList {"10.0.0.5", "10.0.0.7"}));
    QCOMPARE(stored(B), QStringList {"10.9.9.9"});
    QCOMPARE(shown(), QStringList {"10.9.9.9"});
    QVERIFY(button(*m_window, "whiteListAddButton")->isEnabled()); // B stays loaded
    QVERIFY(m_b->requests().isEmpty());

    // A refused answer for A after B was loaded leaves B's list alone.
    FakePrinter::Script hold;
    hold.mode = FakePrinter::Mode::Hold;
    m_a->script("/lsp/config-strategies.php", hold);
    leavePageAndReturn();
    load(A);
    widget<QListWidget>(*m_window, "whiteListWidget")->item(0)->setSelected(true);
    click(*m_window, "whiteListRemoveButton");
    QVERIFY(QTest::qWaitFor([&] { return m_a->heldCount() == 1; }, 5000));
    leavePageAndReturn();
    load(B);
    QVERIFY(m_a->release(500));
    QVERIFY(m_boxes->waitForCount(2));
    QCOMPARE(shown(), QStringList {"10.9.9.9"});
    QCOMPARE(stored(A), (QStringList {"10.0.0.5", "10.0.0.7"}));
}

void TestWhitelistPage::failureAfterLeavingPage()
{
    addWhileAHolds("10.0.0.7");
    leavePageAndReturn(5);
    type(*m_window, "lineEdit_10", "10.0.0.8");
    QVERIFY(m_a->release(500));
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    QVERIFY(shown().isEmpty());
    QVERIFY(!button(*m_window, "whiteListAddButton")->isEnabled());
    QCOMPARE(stored(A), QStringList());
}

void TestWhitelistPage::editedPrinterFieldIsRefused()
{
    seed(A, {"10.0.0.5"});
    load(A);
    type(*m_window, "lineEdit_11", B);
    type(*m_window, "lineEdit_10", "10.0.0.7");
    click(*m_window, "whiteListAddButton");
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Warning);
    QCOMPARE(m_boxes->last().text, QStringLiteral("打印机已更改，请重新加载该打印机的白名单"));
    widget<QListWidget>(*m_window, "whiteListWidget")->item(0)->setSelected(true);
    click(*m_window, "whiteListRemoveButton");
    QCOMPARE(m_boxes->count(), 2);
    QCOMPARE(shown(), QStringList {"10.0.0.5"});
    QVERIFY(button(*m_window, "whiteListAddButton")->isEnabled());
    QTest::qWait(100);
    QVERIFY(m_a->requests().isEmpty());
    QVERIFY(m_b->requests().isEmpty());
    QVERIFY(!QFileInfo::exists(storePath(B)));
    // Back to the loaded printer: accepted again.
    type(*m_window, "lineEdit_11", A);
    type(*m_window, "lineEdit_10", "10.0.0.7");
    click(*m_window, "whiteListAddButton");
    QVERIFY(m_boxes->waitForCount(3));
    QCOMPARE(stored(A), (QStringList {"10.0.0.5", "10.0.0.7"}));
}

void TestWhitelistPage::pathInFieldWhileUploadOutstanding()
{
    addWhileAHolds("10.0.0.7");
    type(*m_window, "lineEdit_11", "../../nettool-escape");
    QVERIFY(m_a->release(200));
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(stored(A), QStringList {"10.0.0.7"});
    QVERIFY(!QFileInfo::exists("/var/nettool-escape"));
    QVERIFY(!QFileInfo::exists("/var/varnok/nettool-escape"));
}

// A list loaded while a change is on its way would lack that change; a
// second change made from it would take the first back at the printer.
void TestWhitelistPage::reloadRefusedWhileChangeOnItsWay()
{
    seed(A, {"10.0.0.5"});
    addWhileAHolds("10.0.0.7");
    leavePageAndReturn();
    QVERIFY(button(*m_window, "loadip")->isEnabled());
    load(A);
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Warning);
    QCOMPARE(m_boxes->last().title, QStringLiteral("安全认证"));
    QVERIFY(shown().isEmpty());
    QVERIFY(!button(*m_window, "whiteListAddButton")->isEnabled());
    // Another printer is not held up.
    load(B);
    QCOMPARE(m_boxes->count(), 1);
    QVERIFY(button(*m_window, "whiteListAddButton")->isEnabled());
    QVERIFY(m_a->release(200));
    QVERIFY(m_boxes->waitForCount(2));
    load(A);
    QCOMPARE(m_boxes->count(), 2);
    QCOMPARE(shown(), (QStringList {"10.0.0.5", "10.0.0.7"}));
}

// Closing with a change on its way: the window goes, the tool waits for the
// answer and records what the printer took, then closes for good.
void TestWhitelistPage::closeWaitsForChangeOnItsWay()
{
    m_window->show();
    seed(A, {"10.0.0.5"});
    addWhileAHolds("10.0.0.7");
    QVERIFY(!m_window->close());
    QVERIFY(m_window->isHidden());
    QCOMPARE(stored(A), QStringList {"10.0.0.5"});
    QSignalSpy closed(m_window.get(), &cManage::closedAfterWaiting);
    QVERIFY(m_a->release(200));
    QVERIFY(closed.wait(10000));
    QCOMPARE(stored(A), (QStringList {"10.0.0.5", "10.0.0.7"}));
    QCOMPARE(m_boxes->count(), 0); // nobody is left to read a box
}

// A close (or a signal) while "操作成功" is open: the change is already
// recorded, the box goes with the window, and no further box opens.
void TestWhitelistPage::closeWithBoxOpen()
{
    m_window->show();
    seed(A, {"10.0.0.5"});
    load(A);
    type(*m_window, "lineEdit_10", "10.0.0.7");
    bool closed = false;
    bool boxGone = false;
    m_boxes->whileOpen = [&](QMessageBox *box) {
        QPointer<QMessageBox> guarded(box);
        closed = m_window->close();
        boxGone = !guarded || !guarded->isVisible();
    };
    click(*m_window, "whiteListAddButton");
    QVERIFY(m_boxes->waitForCount(1));
    QVERIFY(closed);
    QVERIFY(boxGone);
    QVERIFY(m_window->isHidden());
    QCOMPARE(stored(A), (QStringList {"10.0.0.5", "10.0.0.7"}));
    QTest::qWait(50);
    QCOMPARE(m_boxes->count(), 1);
}

// "127.000.008.001" is the printer 127.0.8.1: the same store, the same list,
// and the change goes to that printer.
void TestWhitelistPage::zeroPaddedAddressIsTheSamePrinter()
{
    seed(A, {"10.0.0.5"});
    load("127.000.008.001");
    QCOMPARE(shown(), QStringList {"10.0.0.5"});
    type(*m_window, "lineEdit_11", A); // the same printer, written plainly
    type(*m_window, "lineEdit_10", "10.0.0.7");
    click(*m_window, "whiteListAddButton");
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作成功"));
    QCOMPARE(m_a->requestsFor("/lsp/config-strategies.php").size(), 1);
    QCOMPARE(lastDocument(*m_a), StrategyDomain::createStrategyXml({"10.0.0.5", "10.0.0.7"}));
    QCOMPARE(stored(A), (QStringList {"10.0.0.5", "10.0.0.7"}));
    QVERIFY(!QFileInfo::exists("/var/varnok/data/127.000.008.001"));
}

// Another writer (a second operator, the command line) changed the list
// after this page loaded it: nothing is sent, and a fresh load is asked for.
void TestWhitelistPage::changedElsewhereSinceLoadIsRefused()
{
    seed(A, {"10.0.0.5"});
    load(A);
    seed(A, {"10.0.0.9"}); // elsewhere
    type(*m_window, "lineEdit_10", "10.0.0.7");
    click(*m_window, "whiteListAddButton");
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Warning);
    QCOMPARE(shown(), QStringList {"10.0.0.5"});
    QTest::qWait(100);
    QVERIFY(m_a->requests().isEmpty());
    load(A);
    QCOMPARE(shown(), (QStringList {"10.0.0.5", "10.0.0.9"}));
    click(*m_window, "whiteListAddButton");
    QVERIFY(m_boxes->waitForCount(2));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作成功"));
    QCOMPARE(stored(A), (QStringList {"10.0.0.5", "10.0.0.9", "10.0.0.7"}));
}

void TestWhitelistPage::changeUnderWayElsewhereIsRefused()
{
    seed(A, {"10.0.0.5"});
    load(A);
    {
        Whitelist::PrinterLock elsewhere(A);
        QString why;
        QCOMPARE(elsewhere.acquire(&why), Whitelist::PrinterLock::Outcome::Held);
        type(*m_window, "lineEdit_10", "10.0.0.7");
        click(*m_window, "whiteListAddButton");
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(m_boxes->last().icon, QMessageBox::Warning);
        QCOMPARE(shown(), QStringList {"10.0.0.5"});
        QVERIFY(button(*m_window, "whiteListAddButton")->isEnabled());
    }
    click(*m_window, "whiteListAddButton"); // the other change is over
    QVERIFY(m_boxes->waitForCount(2));
    QCOMPARE(stored(A), (QStringList {"10.0.0.5", "10.0.0.7"}));
    QCOMPARE(m_a->requests().size(), 1);
}

QTEST_MAIN(TestWhitelistPage)
#include "tst_whitelist_page.moc"
