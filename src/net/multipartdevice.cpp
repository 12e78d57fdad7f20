#include "net/multipartdevice.h"

#include <algorithm>

MultipartDevice::MultipartDevice(const QByteArray &head, QIODevice *content, const QByteArray &tail, QObject *parent)
    : QIODevice(parent)
    , m_head(head)
    , m_content(content)
    , m_contentSize(content->size())
    , m_tail(tail)
{
    m_content->setParent(this);
    m_content->seek(0);
    // The network layer reads in pieces of its own; a second buffer here
    // would only copy every byte once more.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

bool MultipartDevice::isSequential() const
{
    return false;
}

qint64 MultipartDevice::size() const
{
    return m_head.size() + m_contentSize + m_tail.size();
}

bool MultipartDevice::seek(qint64 pos)
{
    if (pos < 0 || pos > size())
        return false;
    QIODevice::seek(pos);
    m_pos = pos;
    return m_content->seek(std::clamp<qint64>(pos - m_head.size(), 0, m_contentSize));
}

bool MultipartDevice::atEnd() const
{
    return m_pos >= size();
}

qint64 MultipartDevice::copyFrom(const QByteArray &piece, qint64 offset, char *data, qint64 maxSize)
{
    const qint64 n = std::min(maxSize, piece.size() - offset);
    std::copy_n(piece.constData() + offset, n, data);
    return n;
}

qint64 MultipartDevice::readData(char *data, qint64 maxSize)
{
    const qint64 contentEnd = m_head.size() + m_contentSize;
    qint64 done = 0;
    while (done < maxSize && m_pos < size()) {
        qint64 n;
        if (m_pos < m_head.size()) {
            n = copyFrom(m_head, m_pos, data + done, maxSize - done);
        } else if (m_pos < contentEnd) {
            n = m_content->read(data + done, std::min(maxSize - done, contentEnd - m_pos));
            // A file that shrank or failed under us: the body would no
            // longer be the one announced, so the upload must fail.
            if (n <= 0) {
                setErrorString(m_content->errorString());
                return -1;
            }
        } else {
            n = copyFrom(m_tail, m_pos - contentEnd, data + done, maxSize - done);
        }
        done += n;
        m_pos += n;
    }
    return done;
}

qint64 MultipartDevice::writeData(const char *, qint64)
{
    return -1;
}
