#ifndef MULTIPARTDEVICE_H
#define MULTIPARTDEVICE_H

#include <QByteArray>
#include <QIODevice>

// A multipart body read straight from its file: the part headers, the
// file's bytes as they are read, then the closing delimiter. Nothing of the
// file is held, so a firmware image of any size costs the same memory.
class MultipartDevice : public QIODevice
{
    Q_OBJECT

public:
    // Takes `content` (open for reading, positioned anywhere) as its child.
    MultipartDevice(const QByteArray &head, QIODevice *content, const QByteArray &tail, QObject *parent = nullptr);

    bool isSequential() const override;
    qint64 size() const override;
    bool seek(qint64 pos) override;
    bool atEnd() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    qint64 copyFrom(const QByteArray &piece, qint64 offset, char *data, qint64 maxSize);

    QByteArray m_head;
    QIODevice *m_content;
    qint64 m_contentSize;
    QByteArray m_tail;
    qint64 m_pos = 0;
};

#endif // MULTIPARTDEVICE_H
