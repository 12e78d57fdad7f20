#include "net/multipart.h"

namespace Multipart {

QByteArray boundaryPrefix()
{
    return QByteArray(27, '-');
}

QByteArray boundaryFrom(int first, int second, int third)
{
    return boundaryPrefix() + QByteArray::number(third) + QByteArray::number(second) + QByteArray::number(first);
}

QByteArray draw(const std::function<int()> &draw)
{
    const int first = draw();
    const int second = draw();
    const int third = draw();
    return boundaryFrom(first, second, third);
}

bool fieldsClash(const QByteArray &delimiter, const QMap<QString, QString> &fields)
{
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        if (it.key().toUtf8().contains(delimiter) || it.value().toUtf8().contains(delimiter))
            return true;
    return false;
}

QByteArray chooseBoundary(const std::function<int()> &draw, const QMap<QString, QString> &fields,
                          const QByteArray &content)
{
    QByteArray boundary;
    for (int round = 0; round < MaxRounds; ++round) {
        boundary = Multipart::draw(draw);
        const QByteArray delimiter = "--" + boundary;
        if (!content.contains(delimiter) && !fieldsClash(delimiter, fields))
            break;
    }
    return boundary;
}

QByteArray escapeFileName(const QString &fileName)
{
    QByteArray name = fileName.toUtf8();
    name.replace('"', "%22");
    name.replace('\r', "%0D");
    name.replace('\n', "%0A");
    return name;
}

QByteArray head(const QByteArray &boundary, const QMap<QString, QString> &fields, const QString &fileField,
                const QString &fileName)
{
    const QByteArray delimiter = "--" + boundary;
    QByteArray body;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        body += "\n" + delimiter + "\n";
        body += "Content-Disposition: form-data; name=\"" + it.key().toUtf8() + "\";\n\n";
        body += it.value().toUtf8();
    }
    body += "\n" + delimiter + "\n";
    body += "Content-Disposition: form-data; name=\"" + fileField.toUtf8() + "\"; filename=\""
        + escapeFileName(fileName) + "\"\n";
    body += "Content-Type: application/octet-stream\n\n";
    return body;
}

QByteArray tail(const QByteArray &boundary)
{
    return "\n--" + boundary + "--\n";
}

QByteArray buildBody(const QByteArray &boundary, const QMap<QString, QString> &fields, const QString &fileField,
                     const QString &fileName, const QByteArray &content)
{
    return head(boundary, fields, fileField, fileName) + content + tail(boundary);
}

QByteArray contentType(const QByteArray &boundary)
{
    return "multipart/form-data; boundary=" + boundary;
}

QString hostOf(const QString &url)
{
    return url.section(QStringLiteral("//"), 1, 1).section(QLatin1Char(':'), 0, 0);
}

} // namespace Multipart
