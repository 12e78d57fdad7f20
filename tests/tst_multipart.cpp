#include "net/boundaryscan.h"
#include "net/httpservices.h"
#include "net/multipart.h"
#include "net/multipartdevice.h"
#include "support/fakeprinter.h"

#include <QBuffer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstdlib>

class TestMultipart : public QObject
{
    Q_OBJECT

private slots:
    void bodyByteForByte();
    void emptyFieldMap();
    void fieldsInKeyOrder();
    void fileBytesUnchanged();
    void boundaryFromDraws();
    void clashingContentDrawsAgain();
    void boundarySameInTwoProcesses();
    void hostOfUrl_data();
    void hostOfUrl();
    void onTheWire();
    void fileNameEscapes_data();
    void fileNameEscapes();
    void streamedBodyIsTheBuiltBody();
    void streamedBodyFailsWhenFileShrinks();
    void scanDrawsAgainOnDelimiterAcrossPieces();
    void streamedUploadOnTheWire();
};

void TestMultipart::bodyByteForByte()
{
    const QByteArray b = "---------------------------123";
    const QByteArray body = Multipart::buildBody(b, {{"type", "board"}}, "Zipfile", "fw.tar.gz", "DATA");
    const QByteArray delimiter = "-----------------------------123"; // "--" + boundary
    QCOMPARE(delimiter, "--" + b);
    const QByteArray expected = "\n"
                                "-----------------------------123\n"
                                "Content-Disposition: form-data; name=\"type\";\n"
                                "\n"
                                "board\n"
                                "-----------------------------123\n"
                                "Content-Disposition: form-data; name=\"Zipfile\"; filename=\"fw.tar.gz\"\n"
                                "Content-Type: application/octet-stream\n"
                                "\n"
                                "DATA\n"
                                "-----------------------------123--\n";
    QCOMPARE(body, expected);
    QVERIFY(!body.contains('\r'));
    QCOMPARE(Multipart::contentType(b), QByteArray("multipart/form-data; boundary=---------------------------123"));
}

void TestMultipart::emptyFieldMap()
{
    const QByteArray body = Multipart::buildBody("B", {}, "f", "n", "");
    QCOMPARE(body,
             QByteArray("\n--B\nContent-Disposition: form-data; name=\"f\"; filename=\"n\"\n"
                        "Content-Type: application/octet-stream\n\n\n--B--\n"));
}

void TestMultipart::fieldsInKeyOrder()
{
    QMap<QString, QString> fields;
    fields.insert("zeta", "2");
    fields.insert("alpha", "1");
    const QByteArray body = Multipart::buildBody("B", fields, "f", "n\"q", "x");
    QVERIFY(body.indexOf("name=\"alpha\"") < body.indexOf("name=\"zeta\""));
    QVERIFY(body.contains("filename=\"n%22q\"")); // a quote would end the header
    const auto parts = FakePrinter::parseMultipart(body, "B");
    QCOMPARE(parts.size(), 3);
    QCOMPARE(parts.at(0).data, QByteArray("1"));
    QCOMPARE(parts.at(1).data, QByteArray("2"));
}

void TestMultipart::fileBytesUnchanged()
{
    QByteArray content;
    for (int i = 0; i < 256; ++i)
        content += char(i);
    content += "\r\n\n\r--not-the-boundary\n";
    const QByteArray body = Multipart::buildBody("XYZ", {{"type", "board"}}, "Zipfile", "a.bin", content);
    const auto parts = FakePrinter::parseMultipart(body, "XYZ");
    QCOMPARE(parts.size(), 2);
    QCOMPARE(parts.at(1).name, QByteArray("Zipfile"));
    QCOMPARE(parts.at(1).filename, QByteArray("a.bin"));
    QCOMPARE(parts.at(1).data, content);
}

void TestMultipart::boundaryFromDraws()
{
    QCOMPARE(Multipart::boundaryFrom(1, 22, 333), QByteArray("---------------------------333221"));
    int n = 0;
    const int draws[] = {11, 22, 33};
    QCOMPARE(Multipart::chooseBoundary([&] { return draws[n++]; }, {}, "plain"),
             QByteArray("---------------------------332211"));
    QCOMPARE(n, 3); // one round for an ordinary file
}

void TestMultipart::clashingContentDrawsAgain()
{
    const QByteArray first = Multipart::boundaryFrom(1, 2, 3);
    int n = 0;
    auto draw = [&] { return ++n; };
    const QByteArray content = "x\n--" + first + "--\nrest";
    const QByteArray chosen = Multipart::chooseBoundary(draw, {}, content);
    QCOMPARE(chosen, Multipart::boundaryFrom(4, 5, 6));
    // The same check covers field values.
    n = 0;
    QCOMPARE(Multipart::chooseBoundary(draw, {{"type", "--" + QString::fromLatin1(first)}}, "plain"),
             Multipart::boundaryFrom(4, 5, 6));
    // And the body then parses back whole.
    const auto parts = FakePrinter::parseMultipart(Multipart::buildBody(chosen, {}, "f", "n", content), chosen);
    QCOMPARE(parts.size(), 1);
    QCOMPARE(parts.first().data, content);
}

void TestMultipart::boundarySameInTwoProcesses()
{
    auto run = [] {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PRINT_BOUNDARY", "1");
        p.setProcessEnvironment(env);
        p.start(QCoreApplication::applicationFilePath(), QStringList());
        p.waitForFinished(10000);
        return p.readAllStandardOutput();
    };
    const QByteArray one = run();
    const QByteArray two = run();
    QVERIFY(one.startsWith("---------------------------"));
    QCOMPARE(one, two);
}

void TestMultipart::hostOfUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("host");
    QTest::newRow("upgrade") << "http://192.168.1.20:9100/lsp/upgrade.php"
                             << "192.168.1.20";
    QTest::newRow("no port keeps the path") << "http://192.168.1.20/lsp/upgrade.php"
                                            << "192.168.1.20/lsp/upgrade.php";
    QTest::newRow("further slashes") << "http://h//x:1"
                                     << "h";
}

void TestMultipart::hostOfUrl()
{
    QFETCH(QString, url);
    QFETCH(QString, host);
    QCOMPARE(Multipart::hostOf(url), host);
}

void TestMultipart::onTheWire()
{
    FakePrinter printer("127.0.3.2");
    QVERIFY(printer.isListening());
    printer.answer("/lsp/upgrade.php", 200, "1001");
    static const char raw[] = "\x1f\x8b\x08\0binary\r\nlines\n";
    const QByteArray content(raw, sizeof raw - 1);
    auto *service = new HttpServices;
    QSignalSpy spy(service, SIGNAL(http_finished(int, int, QString, QString)));
    service->postMultipart("http://127.0.3.2:9100/lsp/upgrade.php", "Zipfile", "fw.tar.gz", content,
                           {{"type", "board"}}, 1);
    QVERIFY(spy.wait(5000));
    QCOMPARE(spy.first().at(0).toInt(), 200);
    QCOMPARE(spy.first().at(3).toString(), QString());
    const FakePrinter::Request r = printer.requests().first();
    QCOMPARE(r.header("Accept"), QByteArray("text/html, application/xhtml+xml, */*"));
    const QByteArray boundary = FakePrinter::boundaryOf(r.header("Content-Type"));
    QVERIFY(boundary.startsWith("---------------------------"));
    QCOMPARE(r.header("Content-Type"), "multipart/form-data; boundary=" + boundary);
    QCOMPARE(r.body, Multipart::buildBody(boundary, {{"type", "board"}}, "Zipfile", "fw.tar.gz", content));
}

void TestMultipart::fileNameEscapes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("plain") << "fw-1.2.tar.gz" << QByteArray("fw-1.2.tar.gz");
    QTest::newRow("quote, CR, LF") << "a\"b\rc\nd" << QByteArray("a%22b%0Dc%0Ad");
    QTest::newRow("rest as it is") << "x%22 ;=\\名.gz" << QString("x%22 ;=\\名.gz").toUtf8();
}

void TestMultipart::fileNameEscapes()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, sent);
    QCOMPARE(Multipart::escapeFileName(name), sent);
    const auto parts = FakePrinter::parseMultipart(Multipart::buildBody("B", {}, "f", name, "x"), "B");
    QCOMPARE(parts.size(), 1);
    QCOMPARE(parts.first().filename, sent);
    QCOMPARE(parts.first().data, QByteArray("x"));
}

namespace {
QBuffer *bufferOf(const QByteArray &bytes)
{
    auto *buffer = new QBuffer;
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

QByteArray readInPieces(QIODevice &device, int piece)
{
    QByteArray all;
    for (int guard = 0; guard < 1000000 && !device.atEnd(); ++guard) {
        const QByteArray got = device.read(piece);
        if (got.isEmpty())
            break;
        all += got;
    }
    return all;
}
} // namespace

void TestMultipart::streamedBodyIsTheBuiltBody()
{
    QByteArray content;
    for (int i = 0; i < 100000; ++i)
        content += char(i * 13);
    const QMap<QString, QString> fields {{"type", "board"}};
    const QByteArray b = Multipart::boundaryFrom(7, 8, 9);
    const QByteArray built = Multipart::buildBody(b, fields, "Zipfile", "fw.bin", content);
    MultipartDevice device(Multipart::head(b, fields, "Zipfile", "fw.bin"), bufferOf(content), Multipart::tail(b));
    QCOMPARE(device.size(), qint64(built.size()));
    for (int piece : {1, 7, 4096, 1 << 20}) {
        QVERIFY(device.reset());
        QCOMPARE(readInPieces(device, piece), built);
    }
    // The network layer may start again from any point.
    QVERIFY(device.seek(built.size() - 50000));
    QCOMPARE(device.readAll(), built.right(50000));
    QVERIFY(device.atEnd());
}

void TestMultipart::streamedBodyFailsWhenFileShrinks()
{
    QTemporaryDir dir;
    QFile *file = new QFile(dir.filePath("fw.bin"));
    QVERIFY(file->open(QIODevice::ReadWrite));
    file->write(QByteArray(10000, 'x'));
    file->flush();
    MultipartDevice device("HEAD", file, "TAIL");
    QCOMPARE(device.size(), 10008);
    QVERIFY(file->resize(100));
    char buffer[20000];
    QCOMPARE(device.read(buffer, sizeof buffer), qint64(-1));
}

void TestMultipart::scanDrawsAgainOnDelimiterAcrossPieces()
{
    const QByteArray first = Multipart::boundaryFrom(1, 2, 3);
    QByteArray content(3 << 20, 'a');
    // Across the first and second megabyte read.
    content.replace((1 << 20) - 10, first.size() + 2, "--" + first);
    int n = 0;
    std::unique_ptr<QBuffer> buffer(bufferOf(content));
    BoundaryScan scan(buffer.get(), [&] { return ++n; }, {{"type", "board"}});
    QSignalSpy spy(&scan, &BoundaryScan::finished);
    scan.start();
    QVERIFY(spy.wait(5000));
    QCOMPARE(spy.first().at(0).toByteArray(), Multipart::boundaryFrom(4, 5, 6));
    QCOMPARE(n, 6);
}

void TestMultipart::streamedUploadOnTheWire()
{
    FakePrinter printer("127.0.3.2");
    QVERIFY(printer.isListening());
    printer.answer("/lsp/upgrade.php", 200, "1001");
    QTemporaryDir dir;
    QByteArray content(6 << 20, '\0');
    for (int i = 0; i < content.size(); i += 4093)
        content[i] = char(i);
    QFile *file = new QFile(dir.filePath("fw\"1.bin"));
    QVERIFY(file->open(QIODevice::ReadWrite));
    file->write(content);
    auto *service = new HttpServices;
    QSignalSpy finished(service, SIGNAL(http_finished(int, int, QString, QString)));
    QSignalSpy progress(service, SIGNAL(uploadProgress(qint64, qint64)));
    service->postMultipart("http://127.0.3.2:9100/lsp/upgrade.php", "Zipfile", "fw\"1.bin", file, {{"type", "board"}},
                           1);
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.first().at(0).toInt(), 200);
    const FakePrinter::Request r = printer.requests().first();
    const QByteArray boundary = FakePrinter::boundaryOf(r.header("Content-Type"));
    const QByteArray expected = Multipart::buildBody(boundary, {{"type", "board"}}, "Zipfile", "fw\"1.bin", content);
    QCOMPARE(r.header("Content-Length"), QByteArray::number(expected.size()));
    QVERIFY(r.body == expected);
    qint64 most = 0;
    for (const auto &p : progress)
        most = std::max(most, p.at(0).toLongLong());
    QCOMPARE(most, qint64(expected.size()));
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("PRINT_BOUNDARY")) {
        // What a fresh process draws first.
        const QByteArray b = Multipart::chooseBoundary([] { return std::rand(); }, {}, "x");
        std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestMultipart test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_multipart.moc"
