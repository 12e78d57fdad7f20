// The whitelist upload pipeline (document, encryption, Base64, percent
// encoding): time per address as the list grows, and the cipher alone
// against `openssl speed -evp aes-256-ecb` measured in the same run.
#include "core/strategydomain.h"
#include "core/whitelistupload.h"
#include "net/httpservices.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
QStringList addresses(int n)
{
    QStringList list;
    list.reserve(n);
    for (int i = 0; i < n; ++i)
        list << QStringLiteral("10.%1.%2.%3").arg(i / 65536).arg((i / 256) % 256).arg(i % 256);
    return list;
}

double pipelineMs(const QStringList &list, int rounds)
{
    HttpServices service;
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        const QString xml = StrategyDomain::createStrategyXml(list);
        const QString parameter = WhitelistUpload::parameter(service.aesEncrypt(xml, WhitelistUpload::keyText()));
        times.push_back(t.nsecsElapsed() / 1e6);
        if (parameter.size() < list.size())
            std::abort();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double opensslBytesPerSecond(int seconds)
{
    QProcess p;
    p.start(QStringLiteral("openssl"),
            {"speed", "-evp", "aes-256-ecb", "-seconds", QString::number(seconds), "-bytes", "1048576"});
    p.waitForFinished(60000);
    const QString out = QString::fromLatin1(p.readAllStandardOutput());
    const auto m = QRegularExpression(QStringLiteral("AES-256-ECB\\s+([0-9.]+)k")).match(out);
    return m.hasMatch() ? m.captured(1).toDouble() * 1000.0 : 0.0;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Quick mode (the test suite's): only that it still runs.
    const bool quick = qEnvironmentVariableIsSet("NETTOOL_BENCH_QUICK");
    const double t1k = pipelineMs(addresses(quick ? 10 : 1000), quick ? 1 : 15);
    const double t10k = pipelineMs(addresses(quick ? 100 : 10000), quick ? 1 : 9);
    const double t100k = pipelineMs(addresses(quick ? 1000 : 100000), quick ? 1 : 5);
    std::printf("upload pipeline: 1,000 addresses %.2f ms, 10,000 %.1f ms, 100,000 %.1f ms\n", t1k, t10k, t100k);
    std::printf("upload pipeline: per-address time ratio 100,000 vs 10 x 10,000: %.2f (flat is 1.0)\n",
                t100k / (10 * t10k));

    // The cipher alone, measured as openssl speed measures itself: 1 MiB
    // texts, one after the other, for two seconds.
    const std::string plain(1 << 20, 'x');
    std::string cipher;
    QElapsedTimer t;
    t.start();
    qint64 bytes = 0;
    while (t.elapsed() < (quick ? 50 : 2000)) {
        cipher = HttpServices::aesEncryptBytes(plain, "pelrok", 32);
        bytes += qint64(plain.size());
    }
    const double ours = bytes / (t.nsecsElapsed() / 1e9);
    const double peer = opensslBytesPerSecond(quick ? 1 : 2);
    if (cipher.size() != plain.size() + 16 || peer <= 0) {
        std::fprintf(stderr, "cipher benchmark failed\n");
        return 1;
    }
    std::printf("aes-256-ecb: ours %.0f MB/s, openssl speed %.0f MB/s, fraction %.2f (target >= 0.8)\n", ours / 1e6,
                peer / 1e6, ours / peer);
    return 0;
}
