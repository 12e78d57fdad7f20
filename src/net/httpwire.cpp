#include "net/httpwire.h"

#include <QUrl>

namespace HttpWire {

QByteArray request(const QByteArray &method, const QUrl &url, const QByteArray &body, const QByteArray &contentType)
{
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() != -1)
        host += ':' + QByteArray::number(url.port());

    QByteArray out;
    out.reserve(128 + body.size());
    out += method + ' ' + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    if (!body.isNull() || method == "POST") {
        if (!contentType.isEmpty())
            out += "Content-Type: " + contentType + "\r\n";
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    }
    out += "Connection: close\r\n\r\n";
    out += body;
    return out;
}

ResponseParser::ResponseParser(qint64 maxBody)
    : m_maxBody(maxBody)
{
}

ResponseParser::State ResponseParser::fail()
{
    m_state = State::Malformed;
    m_buffer.clear();
    return m_state;
}

ResponseParser::State ResponseParser::feed(const QByteArray &bytes)
{
    if (m_state != State::Incomplete)
        return m_state;
    m_buffer += bytes;
    if (!m_headDone && !parseHead())
        return m_state;
    parseBody();
    return m_state;
}

ResponseParser::State ResponseParser::closed()
{
    if (m_state != State::Incomplete)
        return m_state;
    if (m_headDone && m_framing == Framing::UntilClose) {
        m_state = State::Complete;
        return m_state;
    }
    // No answer at all, or one cut short of what it announced.
    return fail();
}

bool ResponseParser::parseHead()
{
    // Interim answers (100 Continue) come before the real one.
    for (int interim = 0; interim < 8; ++interim) {
        int end = m_buffer.indexOf("\r\n\r\n");
        int separator = 4;
        const int bare = m_buffer.indexOf("\n\n");
        if (bare >= 0 && (end < 0 || bare < end)) {
            end = bare;
            separator = 2;
        }
        if (end < 0) {
            if (m_buffer.size() > MaxHeaderBytes)
                fail();
            return false;
        }
        if (end > MaxHeaderBytes) {
            fail();
            return false;
        }
        const QList<QByteArray> lines = m_buffer.left(end).split('\n');
        m_buffer.remove(0, end + separator);

        const QByteArray statusLine = lines.first().trimmed();
        // "HTTP/1.x NNN reason"
        if (!statusLine.startsWith("HTTP/1.") || statusLine.size() < 12 || statusLine.at(8) != ' ') {
            fail();
            return false;
        }
        bool ok = false;
        const int status = statusLine.mid(9, 3).toInt(&ok);
        if (!ok || status < 100 || status > 999 || (statusLine.size() > 12 && statusLine.at(12) != ' ')) {
            fail();
            return false;
        }
        if (status < 200)
            continue;

        bool chunked = false;
        qint64 length = -1;
        for (int i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const int colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "content-length") {
                const qint64 n = value.toLongLong(&ok);
                if (!ok || n < 0 || (length >= 0 && n != length)) {
                    fail();
                    return false;
                }
                length = n;
            } else if (name == "transfer-encoding") {
                chunked = value.toLower().endsWith("chunked");
            }
        }
        m_status = status;
        m_headDone = true;
        if (status == 204 || status == 304)
            m_framing = Framing::None;
        else if (chunked)
            m_framing = Framing::Chunked;
        else if (length >= 0)
            m_framing = Framing::Length;
        else
            m_framing = Framing::UntilClose;
        m_length = length;
        if (m_framing == Framing::Length && m_length > m_maxBody) {
            fail();
            return false;
        }
        return true;
    }
    fail();
    return false;
}

void ResponseParser::parseBody()
{
    switch (m_framing) {
    case Framing::None:
        m_state = State::Complete;
        return;
    case Framing::Length: {
        const qint64 wanted = m_length - m_body.size();
        m_body += m_buffer.left(int(qMin<qint64>(wanted, m_buffer.size())));
        m_buffer.clear(); // anything past the announced length is not ours
        if (m_body.size() == m_length)
            m_state = State::Complete;
        return;
    }
    case Framing::UntilClose:
        m_body += m_buffer;
        m_buffer.clear();
        if (m_body.size() > m_maxBody)
            fail();
        return;
    case Framing::Chunked:
        parseChunks();
        return;
    }
}

void ResponseParser::parseChunks()
{
    for (;;) {
        if (m_trailers || m_chunkLeft == -1) {
            const int eol = m_buffer.indexOf('\n');
            if (eol < 0) {
                if (m_buffer.size() > MaxHeaderBytes)
                    fail();
                return;
            }
            const QByteArray line = m_buffer.left(eol).trimmed();
            m_buffer.remove(0, eol + 1);
            if (m_trailers) {
                if (line.isEmpty()) {
                    m_state = State::Complete;
                    return;
                }
                continue;
            }
            const int extension = line.indexOf(';');
            bool ok = false;
            const qint64 size = (extension < 0 ? line : line.left(extension)).trimmed().toLongLong(&ok, 16);
            if (!ok || size < 0 || m_body.size() + size > m_maxBody) {
                fail();
                return;
            }
            if (size == 0) {
                m_trailers = true;
                continue;
            }
            m_chunkLeft = size;
        }
        if (m_chunkLeft > 0) {
            const int take = int(qMin<qint64>(m_chunkLeft, m_buffer.size()));
            m_body += m_buffer.left(take);
            m_buffer.remove(0, take);
            m_chunkLeft -= take;
            if (m_chunkLeft > 0)
                return;
        }
        // The line end after a chunk's data.
        if (m_buffer.startsWith("\r\n"))
            m_buffer.remove(0, 2);
        else if (m_buffer.startsWith('\n'))
            m_buffer.remove(0, 1);
        else if (m_buffer.isEmpty() || m_buffer == "\r")
            return;
        else {
            fail();
            return;
        }
        m_chunkLeft = -1;
    }
}

} // namespace HttpWire
