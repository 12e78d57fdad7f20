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

namespace {
bool clashes(const QByteArray &delimiter, const QMap<QString, QString> &fields, const QByteArray &content)
{
    if (content.contains(delimiter))
        return true;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it)
        if (it.key().toUtf8().contains(delimiter) || it.value().toUtf8().contains(delimiter))
            return true;
    return false;
}
} // namespace

QByteArray chooseBoundary(const std::function<int()> &draw, const QMap<QString, QString> &fields,
                          const QByteArray &content)
{
    // Three 31-bit draws make a clash on a second round all but impossible;
    // the bound only keeps a broken generator from spinning forever.
    QByteArray boundary;
    for (int round = 0; round < 64; ++round) {
        const int first = draw();
        const int second = draw();
        const int third = draw();
        boundary = boundaryFrom(first, second, third);
        if (!clashes("--" + boundary, fields, content))
            break;
    }
    return boundary;
}

QByteArray buildBody(const QByteArray &boundary, const QMap<QString, QString> &fields, const QString &fileField,
                     const QString &fileName, const QByteArray &content)
{
    const QByteArray delimiter = "--" + boundary;
    QByteArray body;
    body.reserve(content.size() + 512);
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        body += "\n" + delimiter + "\n";
        body += "Content-Disposition: form-data; name=\"" + it.key().toUtf8() + "\";\n\n";
        body += it.value().toUtf8();
    }
    body += "\n" + delimiter + "\n";
    body += "Content-Disposition: form-data; name=\"" + fileField.toUtf8() + "\"; filename=\"" + fileName.toUtf8()
        + "\"\n";
    body += "Content-Type: application/octet-stream\n\n";
    body += content;
    body += "\n" + delimiter + "--\n";
    return body;
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
