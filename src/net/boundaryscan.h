#ifndef BOUNDARYSCAN_H
#define BOUNDARYSCAN_H

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <functional>

class QIODevice;

// Chooses a multipart boundary for content that is read from a device: the
// first one drawn unless its delimiter occurs in the content or a field,
// then the next. The content is read a few megabytes per turn of the event
// loop, so a large file never holds up the window.
class BoundaryScan : public QObject
{
    Q_OBJECT

public:
    BoundaryScan(QIODevice *content, std::function<int()> draw, const QMap<QString, QString> &fields,
                 QObject *parent = nullptr);

    void start();

signals:
    // An empty boundary: the content could not be read.
    void finished(const QByteArray &boundary);

private slots:
    void scanSome();

private:
    void nextCandidate();

    QIODevice *m_content;
    std::function<int()> m_draw;
    QMap<QString, QString> m_fields;
    QByteArray m_boundary;
    QByteArray m_delimiter;
    QByteArray m_carry;
    int m_round = 0;
};

#endif // BOUNDARYSCAN_H
