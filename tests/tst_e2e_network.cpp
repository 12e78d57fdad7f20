#include "support/messageboxcatcher.h"
#include "support/netns.h"
#include "support/simprinter.h"
#include "support/window.h"
#include "ui/cmanage.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QtTest>

#include <cstdio>

// The network page against the simulated printer in a private network
// namespace: the printer really moves to its new address, the tool's setIP
// times out, and the probe finds it there.
class TestEndToEndNetwork : public QObject
{
    Q_OBJECT

private slots:
    void printerMovesAndIsFound();
};

void TestEndToEndNetwork::printerMovesAndIsFound()
{
    SimPrinter sim("198.51.100.10", {"--move", "lo"});
    QVERIFY(sim.isRunning());
    cManage window;
    MessageBoxCatcher boxes;
    type(window, "lineEdit", "198.51.100.10");
    type(window, "lineEdit_2", "198.51.100.20");
    type(window, "lineEdit_3", "255.255.255.0");
    type(window, "lineEdit_4", "198.51.100.1");
    QElapsedTimer clock;
    clock.start();
    click(window, "pushButton");
    QVERIFY(boxes.waitForCount(1, 50000));
    QVERIFY(clock.elapsed() >= 29900);
    QCOMPARE(boxes.last().icon, QMessageBox::Information);
    QCOMPARE(boxes.last().title, QStringLiteral("网络配置"));
    QCOMPARE(boxes.last().text, QStringLiteral("操作成功"));
    QVERIFY(button(window, "pushButton")->isEnabled());
    const QJsonObject network = sim.state().value("network").toObject();
    QCOMPARE(network.value("ip").toString(), QStringLiteral("198.51.100.20"));
    QCOMPARE(network.value("mask").toString(), QStringLiteral("255.255.255.0"));
    QCOMPARE(network.value("gateway").toString(), QStringLiteral("198.51.100.1"));
}

int main(int argc, char **argv)
{
    if (!NetNs::enter(argc, argv, {"198.51.100.10"})) {
        std::fprintf(stderr, "SKIP: no private network namespace here\n");
        return NetNs::SkipExitCode;
    }
    QApplication app(argc, argv);
    TestEndToEndNetwork test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_network.moc"
