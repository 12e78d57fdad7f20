// Loading a whitelist of 10,000 addresses through the store, against the
// sqlcipher command-line tool reading the same file with the same key.
#include "core/whitelistdatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QtDebug>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    // Quick mode (the test suite's): only that it still runs.
    const bool quick = qEnvironmentVariableIsSet("NETTOOL_BENCH_QUICK");
    const int count = quick ? 100 : 10000;
    const QString printer = QStringLiteral("127.0.99.1");
    const QString path = WhiteListDatabase::databasePath(printer);
    QDir(WhiteListDatabase::directoryOf(path)).removeRecursively();

    {
        // Filling 10,000 rows one operation at a time measures nothing of
        // interest here; one transaction does it.
        WhiteListDatabase store;
        QStringList all {QStringLiteral("10.255.255.255")};
        for (int i = 0; i < count - 1; ++i)
            all << QStringLiteral("10.%1.%2.%3").arg(i / 65536).arg((i / 256) % 256).arg(i % 256);
        if (!store.replaceAll(path, all)) {
            std::fprintf(stderr, "store load: could not fill %s\n", qPrintable(path));
            return 1;
        }
    }

    const int rounds = quick ? 1 : 7;
    std::vector<double> ours, peer;
    int loaded = 0;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        WhiteListDatabase store;
        loaded = store.selectIPs(path).size();
        ours.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        QProcess p;
        p.start(QStringLiteral("sqlcipher"), {path});
        p.write("PRAGMA key='pelrok';\nSELECT IP FROM Strategy;\n");
        p.closeWriteChannel();
        p.waitForFinished(60000);
        const int lines = p.readAllStandardOutput().count('\n');
        peer.push_back(t.nsecsElapsed() / 1e6);
        if (lines < count || loaded != count) {
            std::fprintf(stderr, "store load: expected %d rows, got %d and %d\n", count, loaded, lines);
            return 1;
        }
    }
    QDir(WhiteListDatabase::directoryOf(path)).removeRecursively();
    const double a = median(ours), b = median(peer);
    std::printf("store load of %d addresses: %.1f ms; sqlcipher tool: %.1f ms; ratio %.2f\n", count, a, b, a / b);
    return 0;
}
