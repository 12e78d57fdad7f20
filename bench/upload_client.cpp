// One firmware upload the way the tool makes it (the same file checks,
// body and request object), for the upload benchmark.
#include "core/firmware.h"
#include "net/httpservices.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    if (argc < 3)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    QElapsedTimer clock;
    clock.start();
    QFile *file = Firmware::openFile(path);
    if (!file)
        return 3;
    auto *service = new HttpServices;
    int result = 1;
    qint64 sentMs = -1;
    QObject::connect(service, &HttpServices::uploadProgress, [&](qint64 sent, qint64 total) {
        if (sent == total && sentMs < 0)
            sentMs = clock.elapsed();
    });
    QObject::connect(service, &HttpServices::http_finished, [&](int status, int, QString reply, QString) {
        result = (status == 200 && reply.contains("1001")) ? 0 : 4;
        QCoreApplication::quit();
    });
    QMap<QString, QString> fields;
    fields.insert(QStringLiteral("type"), QStringLiteral("board"));
    service->postMultipart(QString::fromLocal8Bit(argv[2]), QStringLiteral("Zipfile"), QFileInfo(path).fileName(), file,
                           fields, 1);
    app.exec();
    // Where the time goes, for the benchmark's report.
    std::fprintf(stderr, "last byte handed over at %lld ms, answer at %lld ms\n", sentMs, clock.elapsed());
    return result;
}
