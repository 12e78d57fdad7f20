#ifndef MULTIPART_H
#define MULTIPART_H

#include <QByteArray>
#include <QMap>
#include <QString>
#include <functional>

namespace Multipart {

QByteArray boundaryPrefix();

// Prefix followed by the third, second and first draw, as decimal texts.
QByteArray boundaryFrom(int first, int second, int third);

// The first boundary drawn, unless its delimiter occurs in the content or a
// field (which would cut the part short at the printer): then draw again
// until it does not. `draw` is the process's generator.
QByteArray chooseBoundary(const std::function<int()> &draw, const QMap<QString, QString> &fields,
                          const QByteArray &content);

// LF line breaks, fields in ascending key order, then the file part.
QByteArray buildBody(const QByteArray &boundary, const QMap<QString, QString> &fields, const QString &fileField,
                     const QString &fileName, const QByteArray &content);

QByteArray contentType(const QByteArray &boundary);

// The printer host named in a URL: after the first "//" (up to a further
// "//"), before the first ":".
QString hostOf(const QString &url);

} // namespace Multipart

#endif // MULTIPART_H
