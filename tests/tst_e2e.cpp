#include "core/whitelistdatabase.h"
#include "support/messageboxcatcher.h"
#include "support/simprinter.h"
#include "support/window.h"
#include "ui/cmanage.h"

#include <QDir>
#include <QJsonArray>
#include <QProcess>
#include <QTabWidget>
#include <QtTest>

// The real window, driven through its widgets, against the simulated
// printer; the printer's state is checked after each operation.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void clock();
    void counter();
    void firmware();
    void whitelist();
    void clearQueue();

private:
    static const char *const Address;
    void fault(const char *endpoint, int status);
    void expectBox(QMessageBox::Icon icon, const QString &text);
    QStringList shown() const;
    std::unique_ptr<SimPrinter> m_sim;
    std::unique_ptr<cManage> m_window;
    std::unique_ptr<MessageBoxCatcher> m_boxes;
};

const char *const TestEndToEnd::Address = "127.0.10.2";

void TestEndToEnd::initTestCase()
{
    m_sim.reset(new SimPrinter(Address));
    QVERIFY(m_sim->isRunning());
}

void TestEndToEnd::init()
{
    QVERIFY(m_sim->control({{"reset", true}}));
    QDir(WhiteListDatabase::directoryOf(WhiteListDatabase::databasePath(Address))).removeRecursively();
    m_window.reset(new cManage);
    m_window->show();
    m_boxes.reset(new MessageBoxCatcher);
}

void TestEndToEnd::cleanup()
{
    m_boxes.reset();
    m_window.reset();
    QDir(WhiteListDatabase::directoryOf(WhiteListDatabase::databasePath(Address))).removeRecursively();
}

void TestEndToEnd::fault(const char *endpoint, int status)
{
    QVERIFY(m_sim->control({{"endpoint", endpoint}, {"status", status}, {"body", "injected"}}));
}

void TestEndToEnd::expectBox(QMessageBox::Icon icon, const QString &text)
{
    QVERIFY(m_boxes->waitForCount(m_boxes->count() ? m_boxes->count() : 1, 15000));
    QCOMPARE(m_boxes->last().icon, icon);
    QCOMPARE(m_boxes->last().text, text);
}

QStringList TestEndToEnd::shown() const
{
    QStringList rows;
    auto *list = widget<QListWidget>(*m_window, "whiteListWidget");
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text();
    return rows;
}

void TestEndToEnd::clock()
{
    type(*m_window, "lineEdit_6", Address);
    click(*m_window, "pushButton_syncTime");
    QVERIFY(m_boxes->waitForCount(1, 15000));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作成功"));
    const QJsonObject state = m_sim->state();
    QVERIFY(!state.value("clock_set_at").isNull());
    QVERIFY(qAbs(state.value("clock_offset").toInt()) <= 3);

    fault("setTime", 500);
    click(*m_window, "pushButton_syncTime");
    QVERIFY(m_boxes->waitForCount(2, 15000));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
}

void TestEndToEnd::counter()
{
    QVERIFY(m_sim->control({{"pages", 4711}}));
    type(*m_window, "lineEdit_5", Address);
    click(*m_window, "getTotalCountsButton");
    QVERIFY(m_boxes->waitForCount(1, 15000));
    QCOMPARE(edit(*m_window, "lineEdit_13")->text(), QStringLiteral("4711"));
    fault("getPages", 503);
    click(*m_window, "getTotalCountsButton");
    QVERIFY(m_boxes->waitForCount(2, 15000));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    QVERIFY(edit(*m_window, "lineEdit_13")->text().isEmpty());
}

void TestEndToEnd::firmware()
{
    QTemporaryDir dir;
    QFile version(dir.filePath("version"));
    QVERIFY(version.open(QIODevice::WriteOnly));
    version.write("4.0.2\n");
    version.close();
    const QString image = dir.filePath("board-4.0.2.tar.gz");
    QCOMPARE(QProcess::execute("tar", {"czf", image, "-C", dir.path(), "version"}), 0);

    cManage &w = *m_window;
    type(w, "lineEdit_7", Address);
    click(w, "pushButton_flush");
    QVERIFY(QTest::qWaitFor([&] { return edit(w, "lineEdit_8")->text() == "1.0.0"; }, 15000));

    type(w, "lineEdit_9", image);
    click(w, "pushButton_update");
    QVERIFY(m_boxes->waitForCount(1, 15000));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作成功"));
    QCOMPARE(m_sim->state().value("firmware").toString(), QStringLiteral("4.0.2"));
    click(w, "pushButton_flush");
    QVERIFY(QTest::qWaitFor([&] { return edit(w, "lineEdit_8")->text() == "4.0.2"; }, 15000));

    // Not a firmware image: refused, and the field says where it was kept.
    const QString junk = dir.filePath("notes.txt");
    QFile j(junk);
    QVERIFY(j.open(QIODevice::WriteOnly));
    j.write("hello");
    j.close();
    type(w, "lineEdit_9", junk);
    click(w, "pushButton_update");
    QVERIFY(m_boxes->waitForCount(2, 15000));
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QVERIFY(edit(w, "lineEdit_8")->text().startsWith("uploads/rejected-"));
    QVERIFY(QFile::exists(m_sim->stateDir() + "/" + edit(w, "lineEdit_8")->text()));
    QCOMPARE(m_sim->state().value("firmware").toString(), QStringLiteral("4.0.2"));
}

void TestEndToEnd::whitelist()
{
    cManage &w = *m_window;
    auto printerList = [&] {
        QStringList out;
        for (const QJsonValue &v : m_sim->state().value("whitelist").toArray())
            out << v.toString();
        return out;
    };
    widget<QTabWidget>(w, "tabWidget")->setCurrentIndex(4);
    type(w, "lineEdit_11", Address);
    click(w, "loadip");
    for (const char *a : {"10.0.0.5", "10.0.0.7", "10.0.0.9"}) {
        type(w, "lineEdit_10", a);
        click(w, "whiteListAddButton");
        QVERIFY(QTest::qWaitFor([&] { return button(w, "loadip")->isEnabled(); }, 15000));
        QCOMPARE(printerList(), shown());
    }
    QCOMPARE(shown(), (QStringList {"10.0.0.5", "10.0.0.7", "10.0.0.9"}));
    auto *list = widget<QListWidget>(w, "whiteListWidget");
    list->item(1)->setSelected(true);
    click(w, "whiteListRemoveButton");
    QVERIFY(QTest::qWaitFor([&] { return button(w, "loadip")->isEnabled(); }, 15000));
    QCOMPARE(printerList(), (QStringList {"10.0.0.5", "10.0.0.9"}));
    QCOMPARE(shown(), printerList());

    // Refused by the printer: screen, store and printer still agree.
    fault("config-strategies", 500);
    type(w, "lineEdit_10", "10.0.0.11");
    click(w, "whiteListAddButton");
    QVERIFY(QTest::qWaitFor([&] { return button(w, "loadip")->isEnabled(); }, 15000));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    QCOMPARE(printerList(), (QStringList {"10.0.0.5", "10.0.0.9"}));
    QCOMPARE(shown(), printerList());

    // A fresh window loads what the printer accepted.
    m_window.reset(new cManage);
    widget<QTabWidget>(*m_window, "tabWidget")->setCurrentIndex(4);
    type(*m_window, "lineEdit_11", Address);
    click(*m_window, "loadip");
    QCOMPARE(shown(), printerList());
}

void TestEndToEnd::clearQueue()
{
    QVERIFY(!m_sim->state().value("queue").toArray().isEmpty());
    fault("clear", 404);
    type(*m_window, "lineEdit_12", Address);
    click(*m_window, "clearButton");
    QVERIFY(m_boxes->waitForCount(1, 15000));
    QCOMPARE(m_boxes->last().text, QStringLiteral("清空打印队列失败"));
    QVERIFY(!m_sim->state().value("queue").toArray().isEmpty());
    QVERIFY(m_sim->control({{"endpoint", "clear"}, {"clear", true}}));
    click(*m_window, "clearButton");
    QVERIFY(m_boxes->waitForCount(2, 15000));
    QCOMPARE(m_boxes->last().text, QStringLiteral("清空打印队列成功"));
    QVERIFY(m_sim->state().value("queue").toArray().isEmpty());
}

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
