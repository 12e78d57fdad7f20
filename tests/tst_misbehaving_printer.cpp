#include "core/whitelistdatabase.h"
#include "support/fakeprinter.h"
#include "support/fleetmode.h"
#include "support/messageboxcatcher.h"
#include "support/window.h"
#include "ui/cmanage.h"

#include <QDir>
#include <QLoggingCategory>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

// Every operation against a printer that misbehaves, grouped by fault:
// exactly one box, the right one; the page's buttons back on; the store
// changed only by an accepted whitelist.
class TestMisbehavingPrinter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void faults_data();
    void faults();
    void unansweredGetWaitsItsTimeOut_data();
    void unansweredGetWaitsItsTimeOut();

private:
    struct Operation
    {
        QByteArray path;
        const char *addressField;
        const char *button;
        QStringList buttons; // the page's buttons, off while busy
    };
    static Operation operation(const QString &name);
    void start(const QString &name);
    std::unique_ptr<FakePrinter> m_printer;
    std::unique_ptr<cManage> m_window;
    std::unique_ptr<MessageBoxCatcher> m_boxes;
    QTemporaryDir m_dir;
};

namespace {
const char *const Printer = "127.0.11.1";

QString storePath()
{
    return WhiteListDatabase::databasePath(Printer);
}
} // namespace

TestMisbehavingPrinter::Operation TestMisbehavingPrinter::operation(const QString &name)
{
    if (name == "clock")
        return {"/lsp/setTime.php", "lineEdit_6", "pushButton_syncTime", {"pushButton_syncTime"}};
    if (name == "refresh" || name == "upload")
        return {name == "refresh" ? "/lsp/getVersion.php" : "/lsp/upgrade.php",
                "lineEdit_7",
                name == "refresh" ? "pushButton_flush" : "pushButton_update",
                {"pushButton_flush", "pushButton_sel", "pushButton_update"}};
    if (name == "counter")
        return {"/lsp/getPages.php", "lineEdit_5", "getTotalCountsButton", {"getTotalCountsButton"}};
    if (name == "clear")
        return {"/lsp/clear.php", "lineEdit_12", "clearButton", {"clearButton"}};
    return {"/lsp/config-strategies.php",
            "lineEdit_11",
            "whiteListAddButton",
            {"whiteListAddButton", "whiteListRemoveButton", "loadip"}};
}

void TestMisbehavingPrinter::initTestCase()
{
    followFleetMode();
    // The tool writes every answer to the debug output; 50 MB of it would
    // drown the log.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QVERIFY(QDir().mkpath("/var/varnok/data"));
}

void TestMisbehavingPrinter::init()
{
    QDir(WhiteListDatabase::directoryOf(storePath())).removeRecursively();
    m_printer.reset();
    m_printer.reset(new FakePrinter(Printer));
    QVERIFY(m_printer->isListening());
    m_window.reset(new cManage);
    m_boxes.reset(new MessageBoxCatcher);
}

void TestMisbehavingPrinter::cleanup()
{
    m_boxes.reset();
    m_window.reset();
    m_printer.reset();
    QDir(WhiteListDatabase::directoryOf(storePath())).removeRecursively();
}

void TestMisbehavingPrinter::start(const QString &name)
{
    const Operation op = operation(name);
    cManage &w = *m_window;
    if (name == "upload") {
        QFile f(m_dir.filePath("fw.tar.gz"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("image");
        f.close();
        type(w, "lineEdit_9", f.fileName());
    }
    if (name == "whitelist") {
        QVERIFY(WhiteListDatabase().insertIP(storePath(), "10.0.0.5"));
        widget<QTabWidget>(w, "tabWidget")->setCurrentIndex(4);
        type(w, "lineEdit_11", Printer);
        click(w, "loadip");
        type(w, "lineEdit_10", "10.0.0.7");
    }
    type(w, op.addressField, Printer);
    click(w, op.button);
}

void TestMisbehavingPrinter::faults_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("success");

    struct Fault
    {
        const char *name;
        FakePrinter::Mode mode;
        int status;
        QByteArray body;
        bool success;
    };
    const QByteArray large = QByteArray(50 * 1024 * 1024, 'p') + "1001";
    const QList<Fault> faults {
        {"reset mid body", FakePrinter::Mode::ResetMidBody, 500, QByteArray(4000, 'r'), false},
        {"not HTTP", FakePrinter::Mode::NotHttp, 200, "1001", false},
        {"closed without answer", FakePrinter::Mode::Close, 200, "", false},
        {"NUL bytes", FakePrinter::Mode::Answer, 200, QByteArray("v:1001\0garbage", 14), true},
        {"invalid UTF-8", FakePrinter::Mode::Answer, 200, "v:1001\xff\xfe\xc3", true},
        {"50 MB body", FakePrinter::Mode::Answer, 200, large, true},
        {"chunked", FakePrinter::Mode::Chunked, 200, QByteArray(3000, 'c') + ":1001", true},
        {"trickled", FakePrinter::Mode::Trickle, 200, "v:1001", true},
    };
    for (const char *op : {"clock", "refresh", "upload", "counter", "clear", "whitelist"})
        for (const Fault &f : faults)
            QTest::addRow("%s, %s", op, f.name) << op << int(f.mode) << f.status << f.body << f.success;
}

void TestMisbehavingPrinter::faults()
{
    QFETCH(QString, op);
    QFETCH(int, mode);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, success);
    FakePrinter::Script s;
    s.mode = FakePrinter::Mode(mode);
    s.status = status;
    s.body = body;
    const Operation o = operation(op);
    m_printer->script(o.path, s);
    cManage &w = *m_window;

    start(op);
    QVERIFY(QTest::qWaitFor([&] { return button(w, o.button)->isEnabled(); }, 60000));
    QTest::qWait(200); // nothing more may follow
    const int expectedBoxes = (op == "refresh" && success) ? 0 : 1;
    QCOMPARE(m_boxes->count(), expectedBoxes);
    for (const QString &b : o.buttons)
        QVERIFY2(button(w, qPrintable(b))->isEnabled(), qPrintable(b));

    if (op == "refresh") {
        if (success) {
            const int nul = body.indexOf('\0');
            const QString text = QString::fromUtf8(nul < 0 ? body : body.left(nul));
            QCOMPARE(edit(w, "lineEdit_8")->text(), text.section(':', 1, 1));
        } else
            QCOMPARE(m_boxes->last().title, QStringLiteral("固件版本"));
        return;
    }
    const MessageBoxCatcher::Box box = m_boxes->last();
    QCOMPARE(box.icon, success ? QMessageBox::Information : QMessageBox::Critical);
    if (op == "clear")
        QCOMPARE(box.text, success ? QStringLiteral("清空打印队列成功") : QStringLiteral("清空打印队列失败"));
    else
        QCOMPARE(box.text, success ? QStringLiteral("操作成功") : QStringLiteral("操作失败"));
    if (op == "counter" && success)
        QVERIFY(edit(w, "lineEdit_13")->text().startsWith(QString::fromUtf8(body.left(6))));
    if (op == "whitelist") {
        QCOMPARE(WhiteListDatabase().selectIPs(storePath()),
                 success ? QStringList({"10.0.0.5", "10.0.0.7"}) : QStringList {"10.0.0.5"});
        auto *list = widget<QListWidget>(w, "whiteListWidget");
        QCOMPARE(list->count(), success ? 2 : 1);
    }
}

void TestMisbehavingPrinter::unansweredGetWaitsItsTimeOut_data()
{
    QTest::addColumn<QString>("op");
    QTest::newRow("counter") << "counter";
    QTest::newRow("clear") << "clear";
}

// An unanswered GET waits for its 30 s time-out (its own entries in
// tst_ops_timeouts): no box and the button off before then.
void TestMisbehavingPrinter::unansweredGetWaitsItsTimeOut()
{
    QFETCH(QString, op);
    FakePrinter::Script s;
    s.mode = FakePrinter::Mode::Never;
    m_printer->script(operation(op).path, s);
    start(op);
    QVERIFY(m_printer->waitForRequests(1));
    QTest::qWait(1500);
    QCOMPARE(m_boxes->count(), 0);
    QVERIFY(!button(*m_window, operation(op).button)->isEnabled());
}

QTEST_MAIN(TestMisbehavingPrinter)
#include "tst_misbehaving_printer.moc"
