#include "net/multipart.h"
#include "support/debugcapture.h"
#include "support/fakeprinter.h"
#include "support/messageboxcatcher.h"
#include "support/window.h"
#include "ui/cmanage.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>

// Pages 1, 2, 3 and 5 driven through their widgets against a scripted printer.
class TestPages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void clockSync();
    void clockFailures_data();
    void clockFailures();
    void clockRefusesBadAddress();

    void counter();
    void counterFailureAfterSuccessLeavesFieldEmpty();
    void counterRefuses255ClearAccepts();
    void clearQueue();

    void firmwareRefresh_data();
    void firmwareRefresh();
    void firmwareRefreshFailure();
    void firmwareUpload_data();
    void firmwareUpload();
    void uploadWithoutFile();
    void uploadRefusesUnreadable_data();
    void uploadRefusesUnreadable();
    void zeroByteFileIsUploaded();
    void largeUploadKeepsWindowResponsive();
    void selectDialog();

    void twoPagesOutstanding();
    void zeroPaddedAddressReachesThatPrinter();

private:
    static const char *const Printer;
    std::unique_ptr<FakePrinter> m_printer;
    std::unique_ptr<cManage> m_window;
    std::unique_ptr<MessageBoxCatcher> m_boxes;
    QTemporaryDir m_dir;
    QString writeFile(const QString &name, const QByteArray &bytes);
};

const char *const TestPages::Printer = "127.0.4.1";

void TestPages::init()
{
    m_printer.reset();
    m_printer.reset(new FakePrinter(Printer));
    QVERIFY(m_printer->isListening());
    m_window.reset(new cManage);
    m_window->show();
    m_boxes.reset(new MessageBoxCatcher);
}

void TestPages::cleanup()
{
    m_boxes.reset();
    m_window.reset();
    m_printer.reset();
}

QString TestPages::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

void TestPages::clockSync()
{
    cManage &w = *m_window;
    type(w, "lineEdit_6", Printer);
    bool offWhileOpen = false;
    m_boxes->whileOpen = [&](QMessageBox *) { offWhileOpen = !button(w, "pushButton_syncTime")->isEnabled(); };
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    click(w, "pushButton_syncTime");
    QVERIFY(!button(w, "pushButton_syncTime")->isEnabled());
    QVERIFY(m_boxes->waitForCount(1));
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    const FakePrinter::Request r = m_printer->requests().first();
    QCOMPARE(r.path, QByteArray("/lsp/setTime.php"));
    QVERIFY(r.body.startsWith("time="));
    const QDateTime sent = QDateTime::fromString(QString::fromLatin1(r.body.mid(5)), "yyyyMMddhhmmss");
    QCOMPARE(r.body.size(), 5 + 14);
    QVERIFY(sent >= before.addMSecs(-before.time().msec()) && sent <= after);

    QCOMPARE(m_boxes->last().icon, QMessageBox::Information);
    QCOMPARE(m_boxes->last().title, QStringLiteral("时间同步"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作成功"));
    QCOMPARE(m_boxes->last().parent, &w);
    QVERIFY(offWhileOpen);
    QVERIFY(button(w, "pushButton_syncTime")->isEnabled());
}

void TestPages::clockFailures_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("mode");
    QTest::newRow("500") << 500 << int(FakePrinter::Mode::Answer);
    QTest::newRow("404") << 404 << int(FakePrinter::Mode::Answer);
    QTest::newRow("closed without answer") << 0 << int(FakePrinter::Mode::Close);
}

void TestPages::clockFailures()
{
    QFETCH(int, status);
    QFETCH(int, mode);
    FakePrinter::Script s;
    s.status = status;
    s.mode = FakePrinter::Mode(mode);
    m_printer->script("/lsp/setTime.php", s);
    type(*m_window, "lineEdit_6", Printer);
    click(*m_window, "pushButton_syncTime");
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QCOMPARE(m_boxes->last().title, QStringLiteral("时间同步"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    QVERIFY(button(*m_window, "pushButton_syncTime")->isEnabled());
}

void TestPages::clockRefusesBadAddress()
{
    type(*m_window, "lineEdit_6", "192.168.1.255");
    click(*m_window, "pushButton_syncTime");
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Warning);
    QCOMPARE(m_boxes->last().title, QStringLiteral("时间同步"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("请输入正确打印机IP地址"));
    QVERIFY(button(*m_window, "pushButton_syncTime")->isEnabled());
    QTest::qWait(100);
    QVERIFY(m_printer->requests().isEmpty());
}

void TestPages::counter()
{
    m_printer->answer("/lsp/getPages.php", 200, "Total: 1234\nColour: 56\n");
    cManage &w = *m_window;
    type(w, "lineEdit_5", Printer);
    edit(w, "lineEdit_13")->setText("old");
    QString fieldWhileOpen;
    m_boxes->whileOpen = [&](QMessageBox *) { fieldWhileOpen = edit(w, "lineEdit_13")->text(); };
    click(w, "getTotalCountsButton");
    QVERIFY(edit(w, "lineEdit_13")->text().isEmpty()); // emptied at the start
    QVERIFY(!button(w, "getTotalCountsButton")->isEnabled());
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(m_printer->requests().first().method, QByteArray("GET"));
    QCOMPARE(fieldWhileOpen, QStringLiteral("Total: 1234\nColour: 56\n"));
    QCOMPARE(edit(w, "lineEdit_13")->text(), fieldWhileOpen);
    QCOMPARE(m_boxes->last().title, QStringLiteral("打印计数"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作成功"));
    QVERIFY(button(w, "getTotalCountsButton")->isEnabled());
}

void TestPages::counterFailureAfterSuccessLeavesFieldEmpty()
{
    cManage &w = *m_window;
    m_printer->answer("/lsp/getPages.php", 200, "99");
    type(w, "lineEdit_5", Printer);
    click(w, "getTotalCountsButton");
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(edit(w, "lineEdit_13")->text(), QStringLiteral("99"));
    m_printer->answer("/lsp/getPages.php", 503, "busy");
    click(w, "getTotalCountsButton");
    QVERIFY(m_boxes->waitForCount(2));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    QVERIFY(edit(w, "lineEdit_13")->text().isEmpty());
}

void TestPages::counterRefuses255ClearAccepts()
{
    cManage &w = *m_window;
    type(w, "lineEdit_5", "127.0.4.255");
    click(w, "getTotalCountsButton");
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().title, QStringLiteral("打印计数"));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Warning);
    // Pattern B takes a fourth group of 255; nothing listens there.
    type(w, "lineEdit_12", "127.0.4.255");
    click(w, "clearButton");
    QVERIFY(!button(w, "clearButton")->isEnabled());
    QVERIFY(m_boxes->waitForCount(2));
    QCOMPARE(m_boxes->last().text, QStringLiteral("清空打印队列失败"));
}

void TestPages::clearQueue()
{
    cManage &w = *m_window;
    type(w, "lineEdit_12", Printer);
    click(w, "clearButton");
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(m_printer->requests().first().path, QByteArray("/lsp/clear.php"));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Information);
    QCOMPARE(m_boxes->last().title, QStringLiteral("作业清空"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("清空打印队列成功"));
    m_printer->answer("/lsp/clear.php", 404, "");
    click(w, "clearButton");
    QVERIFY(m_boxes->waitForCount(2));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QCOMPARE(m_boxes->last().text, QStringLiteral("清空打印队列失败"));
    QVERIFY(button(w, "clearButton")->isEnabled());
}

void TestPages::firmwareRefresh_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("shown");
    QTest::newRow("one colon") << QByteArray("version:3.2.1") << "3.2.1";
    QTest::newRow("two colons") << QByteArray("v:3.2.1:beta") << "3.2.1";
    QTest::newRow("none") << QByteArray("3.2.1") << "";
}

void TestPages::firmwareRefresh()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, shown);
    cManage &w = *m_window;
    m_printer->answer("/lsp/getVersion.php", 200, body);
    type(w, "lineEdit_7", Printer);
    edit(w, "lineEdit_8")->setText("before");
    click(w, "pushButton_flush");
    for (const char *b : {"pushButton_flush", "pushButton_sel", "pushButton_update"})
        QVERIFY(!button(w, b)->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return button(w, "pushButton_flush")->isEnabled(); }, 5000));
    QCOMPARE(m_printer->requests().first().body, QByteArray("type=board"));
    QCOMPARE(edit(w, "lineEdit_8")->text(), shown);
    QTest::qWait(50);
    QCOMPARE(m_boxes->count(), 0); // success shows no box
    QVERIFY(button(w, "pushButton_sel")->isEnabled());
    QVERIFY(button(w, "pushButton_update")->isEnabled());
}

void TestPages::firmwareRefreshFailure()
{
    cManage &w = *m_window;
    m_printer->answer("/lsp/getVersion.php", 500, "v:9");
    type(w, "lineEdit_7", Printer);
    edit(w, "lineEdit_8")->setText("1.0");
    click(w, "pushButton_flush");
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QCOMPARE(m_boxes->last().title, QStringLiteral("固件版本"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    QCOMPARE(edit(w, "lineEdit_8")->text(), QStringLiteral("1.0"));
}

void TestPages::firmwareUpload_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("version");
    const QString success = "操作成功", failure = "操作失败";
    const QString defaultAddress = "固件更新已将打印机恢复为默认ip地址，请重新配置网络";
    const int info = QMessageBox::Information, crit = QMessageBox::Critical;
    QTest::newRow("500 with 1001") << 500 << QByteArray("err 1001") << info << success << "keep";
    QTest::newRow("200 with 1001") << 200 << QByteArray("1001") << info << success << "keep";
    QTest::newRow("real 404") << 404 << QByteArray("missing") << info << defaultAddress << "keep";
    QTest::newRow("stored once") << 200 << QByteArray("bad. Stored in: /up/fw.bin") << crit << failure << " /up/fw.bin";
    QTest::newRow("stored twice") << 200 << QByteArray("Stored in:A Stored in:B") << crit << failure << "A ";
    QTest::newRow("stored never") << 200 << QByteArray("no") << crit << failure << "";
}

void TestPages::firmwareUpload()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, icon);
    QFETCH(QString, text);
    QFETCH(QString, version);
    cManage &w = *m_window;
    m_printer->answer("/lsp/upgrade.php", status, body);
    static const char raw[] = "\x1f\x8b\x08\0\r\n--data--\n";
    const QByteArray content(raw, sizeof raw - 1);
    type(w, "lineEdit_7", Printer);
    type(w, "lineEdit_9", writeFile("fw-1.2.tar.gz", content));
    edit(w, "lineEdit_8")->setText("keep");
    bool offWhileOpen = false;
    m_boxes->whileOpen = [&](QMessageBox *) { offWhileOpen = !button(w, "pushButton_sel")->isEnabled(); };
    click(w, "pushButton_update");
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(int(m_boxes->last().icon), icon);
    QCOMPARE(m_boxes->last().title, QStringLiteral("固件更新"));
    QCOMPARE(m_boxes->last().text, text);
    QCOMPARE(edit(w, "lineEdit_8")->text(), version);
    QVERIFY(offWhileOpen);
    QVERIFY(button(w, "pushButton_update")->isEnabled());

    const FakePrinter::Request r = m_printer->requests().first();
    const QByteArray boundary = FakePrinter::boundaryOf(r.header("Content-Type"));
    const QByteArray d = "--" + boundary;
    QCOMPARE(r.body,
             "\n" + d + "\nContent-Disposition: form-data; name=\"type\";\n\nboard\n" + d
                 + "\nContent-Disposition: form-data; name=\"Zipfile\"; filename=\"fw-1.2.tar.gz\"\n"
                   "Content-Type: application/octet-stream\n\n"
                 + content + "\n" + d + "--\n");
}

// 32 MiB: read while sent, the window's events keep flowing, the progress
// bar and the busy cursor show only while the upload is under way.
void TestPages::largeUploadKeepsWindowResponsive()
{
    cManage &w = *m_window;
    m_printer->answer("/lsp/upgrade.php", 200, "1001");
    QByteArray content(32 << 20, 'f');
    for (int i = 0; i < content.size(); i += 65521)
        content[i] = char(i);
    type(w, "lineEdit_7", Printer);
    type(w, "lineEdit_9", writeFile("big.bin", content));
    QWidget *progress = w.findChild<QWidget *>("firmwareProgress");
    QVERIFY(progress && progress->isHidden());
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);

    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    bool shownWhileSending = false;
    bool busyWhileSending = false;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] {
        if (sinceTick.isValid())
            longestGap = std::max(longestGap, sinceTick.elapsed());
        sinceTick.start();
        if (m_boxes->count() == 0) {
            shownWhileSending |= !progress->isHidden();
            busyWhileSending |= w.cursor().shape() == Qt::BusyCursor;
        }
    });
    ticker.start(20);
    click(w, "pushButton_update");
    QVERIFY(m_boxes->waitForCount(1, 60000));
    ticker.stop();
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作成功"));
    QVERIFY(shownWhileSending);
    QVERIFY(busyWhileSending);
    QVERIFY(progress->isHidden());
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
    // Generous for loaded machines and the sanitizers; reading the whole
    // file at once took several times this.
    QVERIFY2(longestGap < 1500, qPrintable(QString::number(longestGap)));
    const FakePrinter::Request r = m_printer->requests().first();
    const QByteArray boundary = FakePrinter::boundaryOf(r.header("Content-Type"));
    QVERIFY(r.body == Multipart::buildBody(boundary, {{"type", "board"}}, "Zipfile", "big.bin", content));
}

void TestPages::uploadWithoutFile()
{
    cManage &w = *m_window;
    type(w, "lineEdit_7", Printer);
    click(w, "pushButton_update");
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Warning);
    QCOMPARE(m_boxes->last().text, QStringLiteral("请选择文件后上传"));
    type(w, "lineEdit_7", "10.0.0.255");
    click(w, "pushButton_update");
    QCOMPARE(m_boxes->last().text, QStringLiteral("请输入正确打印机IP地址"));
    QCOMPARE(m_boxes->last().title, QStringLiteral("固件更新"));
    click(w, "pushButton_flush");
    QCOMPARE(m_boxes->count(), 3);
    QCOMPARE(m_boxes->last().title, QStringLiteral("固件更新"));
}

void TestPages::uploadRefusesUnreadable_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("directory") << "directory";
}

void TestPages::uploadRefusesUnreadable()
{
    QFETCH(QString, kind);
    QString path = m_dir.filePath("x-" + kind);
    if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    if (kind == "directory")
        path = m_dir.path();
    cManage &w = *m_window;
    DebugCapture debug;
    type(w, "lineEdit_7", Printer);
    type(w, "lineEdit_9", path);
    click(w, "pushButton_update");
    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QCOMPARE(m_boxes->last().title, QStringLiteral("固件更新"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("读取文件失败"));
    QVERIFY(debug.contains("file is Empty"));
    for (const char *b : {"pushButton_flush", "pushButton_sel", "pushButton_update"})
        QVERIFY(button(w, b)->isEnabled());
    QTest::qWait(100);
    QVERIFY(m_printer->requests().isEmpty());
}

void TestPages::zeroByteFileIsUploaded()
{
    cManage &w = *m_window;
    m_printer->answer("/lsp/upgrade.php", 200, "1001");
    type(w, "lineEdit_7", Printer);
    type(w, "lineEdit_9", writeFile("empty.gz", QByteArray()));
    click(w, "pushButton_update");
    QVERIFY(m_boxes->waitForCount(1));
    const auto r = m_printer->requests().first();
    const auto parts = FakePrinter::parseMultipart(r.body, FakePrinter::boundaryOf(r.header("Content-Type")));
    QCOMPARE(parts.size(), 2);
    QCOMPARE(parts.at(1).filename, QByteArray("empty.gz"));
    QVERIFY(parts.at(1).data.isEmpty());
}

void TestPages::selectDialog()
{
    cManage &w = *m_window;
    type(w, "lineEdit_9", "/some/earlier.gz");
    QString caption, directory;
    QStringList filters;
    QTimer::singleShot(100, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        caption = dialog->windowTitle();
        directory = dialog->directory().absolutePath();
        filters = dialog->nameFilters();
        dialog->reject();
    });
    click(w, "pushButton_sel");
    QCOMPARE(caption, QStringLiteral("请选择固件文件"));
    QCOMPARE(directory, QDir::currentPath());
    QCOMPARE(filters, (QStringList {"tar.gz(*.gz)", "all(*.*)"}));
    QVERIFY(edit(w, "lineEdit_9")->text().isEmpty()); // cancelled
    type(w, "lineEdit_7", Printer);
    click(w, "pushButton_update");
    QCOMPARE(m_boxes->last().text, QStringLiteral("请选择文件后上传"));
}

void TestPages::twoPagesOutstanding()
{
    cManage &w = *m_window;
    FakePrinter second("127.0.4.2");
    QVERIFY(second.isListening());
    FakePrinter::Script held;
    held.mode = FakePrinter::Mode::Hold;
    m_printer->script("/lsp/setTime.php", held);
    second.script("/lsp/getPages.php", held);
    type(w, "lineEdit_6", Printer);
    type(w, "lineEdit_5", "127.0.4.2");
    click(w, "pushButton_syncTime");
    click(w, "getTotalCountsButton");
    QVERIFY(QTest::qWaitFor([&] { return m_printer->heldCount() == 1 && second.heldCount() == 1; }, 5000));
    QVERIFY(!button(w, "pushButton_syncTime")->isEnabled());
    QVERIFY(!button(w, "getTotalCountsButton")->isEnabled());

    second.release(200, "7");
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(m_boxes->last().title, QStringLiteral("打印计数"));
    QVERIFY(button(w, "getTotalCountsButton")->isEnabled());
    QVERIFY(!button(w, "pushButton_syncTime")->isEnabled());

    m_printer->release(200);
    QVERIFY(m_boxes->waitForCount(2));
    QCOMPARE(m_boxes->last().title, QStringLiteral("时间同步"));
    QVERIFY(button(w, "pushButton_syncTime")->isEnabled());
}

// "010" is ten, not octal eight: the request goes to 127.0.4.10, never to
// 127.0.4.8, and the page reports what that printer said.
void TestPages::zeroPaddedAddressReachesThatPrinter()
{
    FakePrinter ten("127.0.4.10");
    FakePrinter eight("127.0.4.8");
    QVERIFY(ten.isListening() && eight.isListening());
    ten.answer("/lsp/getPages.php", 200, "42");
    cManage &w = *m_window;
    type(w, "lineEdit_6", "127.0.4.010");
    click(w, "pushButton_syncTime");
    QVERIFY(m_boxes->waitForCount(1));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作成功"));
    type(w, "lineEdit_5", "127.000.04.010");
    click(w, "getTotalCountsButton");
    QVERIFY(m_boxes->waitForCount(2));
    QCOMPARE(edit(w, "lineEdit_13")->text(), QStringLiteral("42"));
    QCOMPARE(ten.requests().size(), 2);
    QVERIFY(eight.requests().isEmpty());
}

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
