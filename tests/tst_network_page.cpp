#include "support/fakeprinter.h"
#include "support/messageboxcatcher.h"
#include "support/netns.h"
#include "support/window.h"
#include "ui/cmanage.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <cstdio>

// The network page against printers at addresses its rules accept, inside a
// private network namespace. The time-out cases run as separate CTest
// entries (one function each) so that they wait in parallel.
class TestNetworkPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void refusedByRuleSendsNothing();
    void accepted();
    void failures_data();
    void failures();
    void misbehavingPrinter_data();
    void misbehavingPrinter();
    void commandLine();
    void timeoutThenProbeAnswered();
    void timeoutThenProbeUnanswered();
    void probeGoesToEditedAddress();

private:
    static const char *const Current;
    static const char *const New;
    void fillValid();
    std::unique_ptr<FakePrinter> m_current;
    std::unique_ptr<FakePrinter> m_new;
    std::unique_ptr<cManage> m_window;
    std::unique_ptr<MessageBoxCatcher> m_boxes;
};

const char *const TestNetworkPage::Current = "198.51.100.10";
const char *const TestNetworkPage::New = "198.51.100.20";

void TestNetworkPage::init()
{
    m_current.reset(new FakePrinter(Current));
    m_new.reset(new FakePrinter(New));
    QVERIFY(m_current->isListening());
    QVERIFY(m_new->isListening());
    m_window.reset(new cManage);
    m_boxes.reset(new MessageBoxCatcher);
}

void TestNetworkPage::cleanup()
{
    m_boxes.reset();
    m_window.reset();
    m_current.reset();
    m_new.reset();
}

void TestNetworkPage::fillValid()
{
    type(*m_window, "lineEdit", Current);
    type(*m_window, "lineEdit_2", New);
    type(*m_window, "lineEdit_3", "255.255.255.0");
    type(*m_window, "lineEdit_4", "198.51.100.1");
}

void TestNetworkPage::refusedByRuleSendsNothing()
{
    fillValid();
    type(*m_window, "lineEdit", "198.51.100.010");
    click(*m_window, "pushButton");
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Warning);
    QCOMPARE(m_boxes->last().title, QStringLiteral("验证当前IP地址"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("请输入格式正确的IP地址。"));
    type(*m_window, "lineEdit", Current);
    type(*m_window, "lineEdit_4", "198.51.101.1");
    click(*m_window, "pushButton");
    QCOMPARE(m_boxes->last().title, QStringLiteral("网络配置"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("默认网关不在由IP地址和子网掩码定义的同一子网上。"));
    QVERIFY(button(*m_window, "pushButton")->isEnabled());
    QTest::qWait(100);
    QVERIFY(m_current->requests().isEmpty());
}

void TestNetworkPage::accepted()
{
    fillValid();
    bool onWhileOpen = false;
    m_boxes->whileOpen = [&](QMessageBox *) { onWhileOpen = button(*m_window, "pushButton")->isEnabled(); };
    click(*m_window, "pushButton");
    QVERIFY(!button(*m_window, "pushButton")->isEnabled());
    QVERIFY(m_boxes->waitForCount(1));
    const FakePrinter::Request r = m_current->requests().first();
    QCOMPARE(r.path, QByteArray("/lsp/setIP.php"));
    QCOMPARE(r.body, QByteArray("ip=198.51.100.20&mask=255.255.255.0&gateway=198.51.100.1"));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Information);
    QCOMPARE(m_boxes->last().title, QStringLiteral("网络配置"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作成功"));
    QVERIFY(onWhileOpen); // this completion enables before its box
    QVERIFY(m_new->requests().isEmpty());
}

void TestNetworkPage::failures_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("listening");
    QTest::newRow("500") << 500 << QByteArray("") << true;
    QTest::newRow("404 other body") << 404 << QByteArray("timeout!") << true;
    QTest::newRow("nothing listens") << 0 << QByteArray() << false;
}

void TestNetworkPage::failures()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, listening);
    if (!listening)
        m_current.reset();
    else
        m_current->answer("/lsp/setIP.php", status, body);
    fillValid();
    click(*m_window, "pushButton");
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QCOMPARE(m_boxes->last().title, QStringLiteral("网络配置"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    QVERIFY(button(*m_window, "pushButton")->isEnabled());
    QTest::qWait(200);
    QVERIFY(m_new->requests().isEmpty()); // no probe
}

void TestNetworkPage::misbehavingPrinter_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("success");
    QTest::newRow("reset mid body") << int(FakePrinter::Mode::ResetMidBody) << 500 << QByteArray(4000, 'r') << false;
    QTest::newRow("not HTTP") << int(FakePrinter::Mode::NotHttp) << 200 << QByteArray() << false;
    QTest::newRow("NUL bytes") << int(FakePrinter::Mode::Answer) << 200 << QByteArray("ok\0x", 4) << true;
    QTest::newRow("invalid UTF-8") << int(FakePrinter::Mode::Answer) << 200 << QByteArray("\xff\xfe") << true;
    QTest::newRow("chunked") << int(FakePrinter::Mode::Chunked) << 200 << QByteArray(3000, 'c') << true;
    QTest::newRow("trickled") << int(FakePrinter::Mode::Trickle) << 200 << QByteArray("OK") << true;
}

// Exactly one box, the right one, and no probe unless the request timed out.
void TestNetworkPage::misbehavingPrinter()
{
    QFETCH(int, mode);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, success);
    FakePrinter::Script s;
    s.mode = FakePrinter::Mode(mode);
    s.status = status;
    s.body = body;
    m_current->script("/lsp/setIP.php", s);
    fillValid();
    click(*m_window, "pushButton");
    QVERIFY(m_boxes->waitForCount(1, 10000));
    QTest::qWait(200);
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().icon, success ? QMessageBox::Information : QMessageBox::Critical);
    QCOMPARE(m_boxes->last().text, success ? QStringLiteral("操作成功") : QStringLiteral("操作失败"));
    QVERIFY(button(*m_window, "pushButton")->isEnabled());
    QVERIFY(m_new->requests().isEmpty());
}

void TestNetworkPage::timeoutThenProbeAnswered()
{
    FakePrinter::Script never;
    never.mode = FakePrinter::Mode::Never;
    m_current->script("/lsp/setIP.php", never);
    m_new->answer("/lsp/getVersion.php", 200, "v:1");
    fillValid();
    bool offWhileOpen = false;
    m_boxes->whileOpen = [&](QMessageBox *) { offWhileOpen = !button(*m_window, "pushButton")->isEnabled(); };
    QElapsedTimer clock;
    clock.start();
    click(*m_window, "pushButton");
    QVERIFY(m_new->waitForRequests(1, 40000));
    QVERIFY(clock.elapsed() >= 29900);
    QCOMPARE(m_boxes->count(), 0); // the time-out itself shows nothing
    QVERIFY(!button(*m_window, "pushButton")->isEnabled());
    QCOMPARE(m_new->requests().first().path, QByteArray("/lsp/getVersion.php"));
    QCOMPARE(m_new->requests().first().body, QByteArray("type=board"));
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Information);
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作成功"));
    QVERIFY(offWhileOpen);
    QVERIFY(button(*m_window, "pushButton")->isEnabled());
    QCOMPARE(m_boxes->count(), 1);
}

void TestNetworkPage::timeoutThenProbeUnanswered()
{
    FakePrinter::Script never;
    never.mode = FakePrinter::Mode::Never;
    m_current->script("/lsp/setIP.php", never);
    m_new->script("/lsp/getVersion.php", never);
    fillValid();
    QElapsedTimer clock;
    clock.start();
    click(*m_window, "pushButton");
    QVERIFY(m_boxes->waitForCount(1, 50000));
    QVERIFY(clock.elapsed() >= 39900);
    QCOMPARE(m_new->requests().size(), 1);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Information);
    QCOMPARE(m_boxes->last().title, QStringLiteral("网络配置"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作完成:网络配置已下发"));
    QVERIFY(button(*m_window, "pushButton")->isEnabled());
}

void TestNetworkPage::probeGoesToEditedAddress()
{
    FakePrinter edited("198.51.100.30");
    QVERIFY(edited.isListening());
    FakePrinter::Script never;
    never.mode = FakePrinter::Mode::Never;
    m_current->script("/lsp/setIP.php", never);
    fillValid();
    click(*m_window, "pushButton");
    QVERIFY(m_current->waitForRequests(1));
    type(*m_window, "lineEdit_2", "198.51.100.30");
    QVERIFY(m_boxes->waitForCount(1, 40000));
    QCOMPARE(edited.requests().size(), 1);
    QVERIFY(m_new->requests().isEmpty());
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作成功"));
}

// nettoolctl network: the same rules and request as the page.
void TestNetworkPage::commandLine()
{
    auto ctl = [](const QStringList &args) {
        QProcess p;
        QEventLoop loop;
        connect(&p, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        p.start(qEnvironmentVariable("NETTOOL_BIN_DIR") + "/nettoolctl", args);
        loop.exec();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    QCOMPARE(
        ctl({"network", Current, "--address", "198.51.100.20", "--mask", "255.0.255.0", "--gateway", "198.51.100.1"}),
        1); // refused by a rule
    QVERIFY(m_current->requests().isEmpty());
    QCOMPARE(
        ctl({"network", Current, "--address", "198.51.100.20", "--mask", "255.255.255.0", "--gateway", "198.51.100.1"}),
        0);
    QCOMPARE(m_current->requests().size(), 1);
    QCOMPARE(m_current->requests().first().body,
             QByteArray("ip=198.51.100.20&mask=255.255.255.0&gateway=198.51.100.1"));
}

int main(int argc, char **argv)
{
    if (!NetNs::enter(argc, argv, {"198.51.100.10", "198.51.100.20", "198.51.100.30"})) {
        std::fprintf(stderr, "SKIP: no private network namespace here\n");
        return NetNs::SkipExitCode;
    }
    QApplication app(argc, argv);
    TestNetworkPage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_network_page.moc"
