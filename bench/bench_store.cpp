// Loading a whitelist of 10,000 addresses through the store, against the
// sqlcipher command-line tool reading the same file with the same key.
#include "core/whitelistdatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
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
    const int count = 10000;
    const QString printer = QStringLiteral("127.0.99.1");
    const QString path = WhiteListDatabase::databasePath(printer);
    QDir(WhiteListDatabase::directoryOf(path)).removeRecursively();

    {
        WhiteListDatabase store;
        store.insertIP(path, QStringLiteral("10.255.255.255"));
        // Filling 10,000 rows one operation at a time measures nothing of
        // interest here; one transaction does it.
        QSqlDatabase db = QSqlDatabase::database();
        db.setDatabaseName(path);
        db.open();
        db.transaction();
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO [Strategy] ([IP]) VALUES(?)"));
        for (int i = 0; i < count - 1; ++i) {
            q.addBindValue(QStringLiteral("10.%1.%2.%3").arg(i / 65536).arg((i / 256) % 256).arg(i % 256));
            q.exec();
        }
        db.commit();
        db.close();
    }

    const int rounds = 7;
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
