#ifndef FIRMWARE_H
#define FIRMWARE_H

#include <QByteArray>
#include <QString>

namespace Firmware {

// The version between the first and second ":" of a getVersion answer.
QString versionOf(const QString &body);

// What an upgrade answer says about where the printer kept the file: the
// text between the first and second "Stored in:".
QString storedInOf(const QString &body);

enum class UploadOutcome { Accepted, BackToDefaultAddress, Failed };
UploadOutcome judgeUpload(int status, const QString &body);

// Largest file that fits, with the multipart framing, in one byte array.
qint64 maxUploadSize();

// Reads a firmware file whole. Only regular files whose size can be held
// are read; a FIFO, a device or an oversized file is refused without
// blocking or reading it.
bool readFile(const QString &path, QByteArray *content);

} // namespace Firmware

#endif // FIRMWARE_H
