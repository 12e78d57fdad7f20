#ifndef HTTPWIRE_H
#define HTTPWIRE_H

#include <QByteArray>

class QUrl;

// HTTP/1.1 as the printers speak it, without a socket: the request's bytes,
// and an answer read back from whatever pieces the connection delivers.
namespace HttpWire {

// The whole request: one connection, closed after the answer. A body (even
// an empty one) is sent with its length; `contentType` only with a body.
QByteArray request(const QByteArray &method, const QUrl &url, const QByteArray &body,
                   const QByteArray &contentType);

class ResponseParser
{
public:
    enum class State {
        Incomplete, // more bytes are needed
        Complete, // status and the whole body are known
        Malformed, // not an HTTP answer, or one past the limits
    };

    // Headers larger than this, or a body larger than `maxBody`, make the
    // answer malformed rather than take the memory.
    static constexpr int MaxHeaderBytes = 64 * 1024;
    explicit ResponseParser(qint64 maxBody = qint64(64) * 1024 * 1024);

    State feed(const QByteArray &bytes);
    // The peer closed the connection: an answer whose body runs until the
    // close is complete now; one cut short of its announced length is not.
    State closed();

    State state() const { return m_state; }
    // Known once the status line and headers are in (even if the body never
    // is); 0 before.
    int status() const { return m_status; }
    QByteArray body() const { return m_body; }

private:
    enum class Framing { Length, Chunked, UntilClose, None };
    bool parseHead();
    void parseBody();
    void parseChunks();
    State fail();

    State m_state = State::Incomplete;
    QByteArray m_buffer;
    QByteArray m_body;
    qint64 m_maxBody;
    bool m_headDone = false;
    int m_status = 0;
    Framing m_framing = Framing::UntilClose;
    qint64 m_length = 0;
    qint64 m_chunkLeft = -1; // -1: a chunk-size line comes next
    bool m_trailers = false;
};

} // namespace HttpWire

#endif // HTTPWIRE_H
