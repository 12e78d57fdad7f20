#include "net/multipart.h"

#include <QByteArray>
#include <QList>
#include <cstdlib>

namespace {
// A strict reading of the body layout: the parts come back exactly.
bool parse(const QByteArray &body, const QByteArray &boundary, QList<QByteArray> *parts)
{
    const QByteArray delimiter = "\n--" + boundary;
    int pos = 0;
    while (true) {
        if (!body.mid(pos).startsWith(delimiter))
            return false;
        pos += delimiter.size();
        if (body.mid(pos) == "--\n")
            return true;
        if (body.at(pos) != '\n')
            return false;
        const int next = body.indexOf(delimiter, pos + 1);
        if (next < 0)
            return false;
        *parts << body.mid(pos + 1, next - pos - 1);
        pos = next;
    }
}
} // namespace

// Field value, file name and file content from the input: the body parses
// back to the same field and file whatever they hold.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    const QList<QByteArray> pieces = input.split('\x01');
    const QString value = QString::fromUtf8(pieces.value(0));
    const QByteArray content = pieces.mid(1).isEmpty() ? QByteArray() : input.mid(pieces.value(0).size() + 1);
    QMap<QString, QString> fields;
    fields.insert(QStringLiteral("type"), value);
    int n = 0;
    const int draws[] = {7, 7, 7, 11, 12, 13};
    const QByteArray boundary = Multipart::chooseBoundary(
        [&] {
            const int i = n++;
            return draws[i % 6] + i;
        },
        fields, content);
    const QByteArray body = Multipart::buildBody(boundary, fields, "Zipfile", "f.bin", content);
    QList<QByteArray> parts;
    if (!parse(body, boundary, &parts) || parts.size() != 2)
        std::abort();
    if (parts.at(0) != "Content-Disposition: form-data; name=\"type\";\n\n" + value.toUtf8())
        std::abort();
    const QByteArray fileHead = "Content-Disposition: form-data; name=\"Zipfile\"; filename=\"f.bin\"\n"
                                "Content-Type: application/octet-stream\n\n";
    if (parts.at(1) != fileHead + content)
        std::abort();
    return 0;
}
