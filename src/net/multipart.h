#ifndef MULTIPART_H
#define MULTIPART_H

#include <QByteArray>
#include <QMap>
#include <QString>
#include <functional>

namespace Multipart {

QByteArray boundaryPrefix();

// Three 31-bit draws make a clash on a second round all but impossible;
// the bound only keeps a broken generator from spinning forever.
constexpr int MaxRounds = 64;

// Prefix followed by the third, second and first draw, as decimal texts.
QByteArray boundaryFrom(int first, int second, int third);

// The first boundary drawn, unless its delimiter occurs in the content or a
// field (which would cut the part short at the printer): then draw again
// until it does not. `draw` is the process's generator.
QByteArray chooseBoundary(const std::function<int()> &draw, const QMap<QString, QString> &fields,
                          const QByteArray &content);

// Three draws as one boundary.
QByteArray draw(const std::function<int()> &draw);

// True when the delimiter occurs in a field's name or value.
bool fieldsClash(const QByteArray &delimiter, const QMap<QString, QString> &fields);

// The file name as it goes into the part header: '"', CR and LF
// percent-encoded as browsers do, so that none of them ends the header.
QByteArray escapeFileName(const QString &fileName);

// Everything before the file's bytes, and everything after them.
QByteArray head(const QByteArray &boundary, const QMap<QString, QString> &fields, const QString &fileField,
                const QString &fileName);
QByteArray tail(const QByteArray &boundary);

// LF line breaks, fields in ascending key order, then the file part:
// head + content + tail.
QByteArray buildBody(const QByteArray &boundary, const QMap<QString, QString> &fields, const QString &fileField,
                     const QString &fileName, const QByteArray &content);

QByteArray contentType(const QByteArray &boundary);

// The printer host named in a URL: after the first "//" (up to a further
// "//"), before the first ":".
QString hostOf(const QString &url);

} // namespace Multipart

#endif // MULTIPART_H
