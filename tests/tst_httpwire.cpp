#include "net/httpwire.h"

#include <QUrl>
#include <QtTest>

using HttpWire::ResponseParser;
using State = ResponseParser::State;
Q_DECLARE_METATYPE(ResponseParser::State)

// The fleet's own HTTP: what goes out, and every way an answer can come
// back, whole and in pieces as small as a byte.
class TestHttpWire : public QObject
{
    Q_OBJECT

private slots:
    void requests();
    void answers_data();
    void answers();
    void limits();
};

void TestHttpWire::requests()
{
    const QByteArray post = HttpWire::request("POST", QUrl("http://127.0.0.10:9100/lsp/setTime.php"), "time=1",
                                              "application/x-www-form-urlencoded");
    QCOMPARE(post,
             QByteArray("POST /lsp/setTime.php HTTP/1.1\r\nHost: 127.0.0.10:9100\r\n"
                        "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 6\r\n"
                        "Connection: close\r\n\r\ntime=1"));
    // An empty form still says its length, or the printer waits for one.
    QVERIFY(HttpWire::request("POST", QUrl("http://10.0.0.1/a"), QByteArray(), QByteArray())
                .contains("\r\nContent-Length: 0\r\n"));
    const QByteArray get = HttpWire::request("GET", QUrl("http://10.0.0.1:9100/lsp/get Pages.php?x=a b"),
                                             QByteArray(), QByteArray());
    QVERIFY(get.startsWith("GET /lsp/get%20Pages.php?x=a%20b HTTP/1.1\r\nHost: 10.0.0.1:9100\r\n"));
    QVERIFY(!get.contains("Content-"));
    QVERIFY(get.endsWith("\r\n\r\n"));
}

void TestHttpWire::answers_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<bool>("closeAfter"); // the peer closes once all is sent
    QTest::addColumn<State>("state");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("length") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello") << false
                            << State::Complete << 200 << QByteArray("hello");
    QTest::newRow("bytes past the length") << QByteArray("HTTP/1.0 404 Not Found\r\ncontent-length: 2\r\n\r\nnoXYZ")
                                           << false << State::Complete << 404 << QByteArray("no");
    QTest::newRow("chunked, extension and trailer")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                      "3;name=v\r\nabc\r\nA\r\n0123456789\r\n0\r\nX-Trailer: 1\r\n\r\n")
        << false << State::Complete << 200 << QByteArray("abc0123456789");
    QTest::newRow("until close") << QByteArray("HTTP/1.1 200 OK\r\n\r\nv:1.0") << true << State::Complete << 200
                                 << QByteArray("v:1.0");
    QTest::newRow("interim answer first")
        << QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\nContent-Length: 1\r\n\r\nx") << false
        << State::Complete << 201 << QByteArray("x");
    QTest::newRow("no content") << QByteArray("HTTP/1.1 204 No Content\r\n\r\n") << false << State::Complete << 204
                                << QByteArray();
    QTest::newRow("bare line feeds") << QByteArray("HTTP/1.1 200 OK\nContent-Length: 2\n\nok") << false
                                     << State::Complete << 200 << QByteArray("ok");
    QTest::newRow("NUL in body") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\na\0b", 41) << false
                                 << State::Complete << 200 << QByteArray("a\0b", 3);

    QTest::newRow("not HTTP") << QByteArray("GARBAGE 200 WHAT\r\n\r\n1001") << true << State::Malformed << 0
                              << QByteArray();
    QTest::newRow("status not a number") << QByteArray("HTTP/1.1 2x0 OK\r\n\r\n") << true << State::Malformed << 0
                                         << QByteArray();
    QTest::newRow("two lengths") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab")
                                 << false << State::Malformed << 0 << QByteArray();
    QTest::newRow("negative length") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n") << false
                                     << State::Malformed << 0 << QByteArray();
    QTest::newRow("bad chunk size") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nab\r\n")
                                    << false << State::Malformed << 200 << QByteArray();
    QTest::newRow("chunk without its line end")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabX\r\n0\r\n\r\n") << false
        << State::Malformed << 200 << QByteArray("ab");
    QTest::newRow("closed before an answer") << QByteArray() << true << State::Malformed << 0 << QByteArray();
    QTest::newRow("closed inside the head") << QByteArray("HTTP/1.1 200 OK\r\nContent-") << true << State::Malformed
                                            << 0 << QByteArray();
    QTest::newRow("closed short of the length")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nsucc") << true << State::Malformed << 200
        << QByteArray("succ");
    QTest::newRow("closed inside a chunk")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n9\r\nsucc") << true << State::Malformed
        << 200 << QByteArray("succ");
}

void TestHttpWire::answers()
{
    QFETCH(QByteArray, wire);
    QFETCH(bool, closeAfter);
    QFETCH(State, state);
    QFETCH(int, status);
    QFETCH(QByteArray, body);

    // Whole, then a byte at a time: where the pieces break must not matter.
    for (int piece : {int(qMax(1, wire.size())), 1}) {
        ResponseParser parser;
        for (int i = 0; i < wire.size() && parser.state() == State::Incomplete; i += piece)
            parser.feed(wire.mid(i, piece));
        if (closeAfter)
            parser.closed();
        QCOMPARE(parser.state(), state);
        QCOMPARE(parser.status(), status);
        QCOMPARE(parser.body(), body);
        // Nothing more changes an ended answer.
        QCOMPARE(parser.feed("HTTP/1.1 500 Late\r\n\r\n"), state);
    }
}

void TestHttpWire::limits()
{
    ResponseParser endlessHead;
    QCOMPARE(endlessHead.feed("HTTP/1.1 200 OK\r\nX: " + QByteArray(ResponseParser::MaxHeaderBytes, 'h')),
             State::Malformed);

    ResponseParser announcedTooLong(100);
    QCOMPARE(announcedTooLong.feed("HTTP/1.1 200 OK\r\nContent-Length: 101\r\n\r\n"), State::Malformed);

    ResponseParser growsTooLong(100);
    QCOMPARE(growsTooLong.feed("HTTP/1.1 200 OK\r\n\r\n" + QByteArray(60, 'a')), State::Incomplete);
    QCOMPARE(growsTooLong.feed(QByteArray(60, 'a')), State::Malformed);

    ResponseParser chunkTooLong(100);
    QCOMPARE(chunkTooLong.feed("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n65\r\n"), State::Malformed);

    ResponseParser exactlyAtLimit(100);
    QCOMPARE(exactlyAtLimit.feed("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + QByteArray(100, 'a')),
             State::Complete);
}

QTEST_APPLESS_MAIN(TestHttpWire)
#include "tst_httpwire.moc"
