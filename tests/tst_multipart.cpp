#include "net/httpservices.h"
#include "net/multipart.h"
#include "support/fakeprinter.h"

#include <QProcess>
#include <QSignalSpy>
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
    QVERIFY(body.contains("filename=\"n\"q\"")); // inserted as given
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
