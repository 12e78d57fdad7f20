#include "net/boundaryscan.h"

#include "net/multipart.h"

#include <QIODevice>
#include <QTimer>

namespace {
const qint64 ReadPiece = 1 << 20;
const int PiecesPerTurn = 8;
} // namespace

BoundaryScan::BoundaryScan(QIODevice *content, std::function<int()> draw, const QMap<QString, QString> &fields,
                           QObject *parent)
    : QObject(parent)
    , m_content(content)
    , m_draw(std::move(draw))
    , m_fields(fields)
{
}

void BoundaryScan::start()
{
    m_round = 0;
    nextCandidate();
}

void BoundaryScan::nextCandidate()
{
    for (; m_round < Multipart::MaxRounds; ++m_round) {
        m_boundary = Multipart::draw(m_draw);
        m_delimiter = "--" + m_boundary;
        if (!Multipart::fieldsClash(m_delimiter, m_fields))
            break;
    }
    if (m_round >= Multipart::MaxRounds) {
        // The bound only stops a broken generator; take the last draw.
        emit finished(m_boundary);
        return;
    }
    ++m_round;
    m_carry.clear();
    if (!m_content->seek(0)) {
        emit finished(QByteArray());
        return;
    }
    QTimer::singleShot(0, this, SLOT(scanSome()));
}

void BoundaryScan::scanSome()
{
    for (int i = 0; i < PiecesPerTurn; ++i) {
        const QByteArray piece = m_content->read(ReadPiece);
        if (piece.isEmpty()) {
            if (!m_content->atEnd()) {
                emit finished(QByteArray());
                return;
            }
            m_content->seek(0);
            emit finished(m_boundary);
            return;
        }
        // The tail of the last piece, so a delimiter across two reads is seen.
        const QByteArray window = m_carry + piece;
        if (window.contains(m_delimiter)) {
            if (m_round < Multipart::MaxRounds) {
                nextCandidate();
            } else {
                m_content->seek(0);
                emit finished(m_boundary);
            }
            return;
        }
        m_carry = window.right(m_delimiter.size() - 1);
    }
    QTimer::singleShot(0, this, SLOT(scanSome()));
}
