#include "support/fakeprinter.h"
#include "support/fleetmode.h"
#include "support/messageboxcatcher.h"
#include "support/netns.h"
#include "support/window.h"
#include "ui/cmanage.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

// A printer whose packets vanish: the connection never opens, nothing is
// delivered, so nothing may be reported as done. Each function is its own
// CTest entry (each waits a full time-out).
class TestUndelivered : public QObject
{
    Q_OBJECT

public:
    static const char *const Lost;

private slots:
    void init();
    void cleanup();
    void setIPIsAFailureWithoutProbe();
    void uploadIsAFailure();

private:
    static const char *const New;
    std::unique_ptr<FakePrinter> m_new;
    std::unique_ptr<cManage> m_window;
    std::unique_ptr<MessageBoxCatcher> m_boxes;
};

const char *const TestUndelivered::Lost = "198.51.100.40";
const char *const TestUndelivered::New = "198.51.100.20";

void TestUndelivered::init()
{
    followFleetMode();
    m_new.reset(new FakePrinter(New));
    QVERIFY(m_new->isListening());
    m_window.reset(new cManage);
    m_boxes.reset(new MessageBoxCatcher);
}

void TestUndelivered::cleanup()
{
    m_boxes.reset();
    m_window.reset();
    m_new.reset();
}

void TestUndelivered::setIPIsAFailureWithoutProbe()
{
    type(*m_window, "lineEdit", Lost);
    type(*m_window, "lineEdit_2", New);
    type(*m_window, "lineEdit_3", "255.255.255.0");
    type(*m_window, "lineEdit_4", "198.51.100.1");
    QElapsedTimer clock;
    clock.start();
    click(*m_window, "pushButton");
    QVERIFY(m_boxes->waitForCount(1, 45000));
    QVERIFY(clock.elapsed() >= 29900);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QCOMPARE(m_boxes->last().title, QStringLiteral("网络配置"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    QVERIFY(button(*m_window, "pushButton")->isEnabled());
    QTest::qWait(500);
    QVERIFY(m_new->requests().isEmpty()); // no probe
    QCOMPARE(m_boxes->count(), 1);
}

void TestUndelivered::uploadIsAFailure()
{
    QTemporaryDir dir;
    QFile f(dir.filePath("fw.tar.gz"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("image");
    f.close();
    type(*m_window, "lineEdit_7", Lost);
    type(*m_window, "lineEdit_9", f.fileName());
    QElapsedTimer clock;
    clock.start();
    click(*m_window, "pushButton_update");
    QVERIFY(m_boxes->waitForCount(1, 45000));
    QVERIFY(clock.elapsed() >= 29900);
    QCOMPARE(m_boxes->last().icon, QMessageBox::Critical);
    QCOMPARE(m_boxes->last().title, QStringLiteral("固件更新"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("操作失败"));
    QVERIFY(button(*m_window, "pushButton_update")->isEnabled());
    QVERIFY(widget<QWidget>(*m_window, "firmwareProgress")->isHidden());
}

int main(int argc, char **argv)
{
    if (!NetNs::enter(argc, argv, {"198.51.100.20"}) || !NetNs::routeIntoVoid(TestUndelivered::Lost)) {
        std::fprintf(stderr, "SKIP: no private network namespace here\n");
        return NetNs::SkipExitCode;
    }
    QApplication app(argc, argv);
    TestUndelivered test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_undelivered.moc"
