#ifndef FIRMWARE_H
#define FIRMWARE_H

#include <QByteArray>
#include <QFile>
#include <QString>

namespace Firmware {

// The version between the first and second ":" of a getVersion answer.
QString versionOf(const QString &body);

// What an upgrade answer says about where the printer kept the file: the
// text between the first and second "Stored in:".
QString storedInOf(const QString &body);

enum class UploadOutcome { Accepted, BackToDefaultAddress, Failed };
UploadOutcome judgeUpload(int status, const QString &body);

// Opens a firmware file for sending. Only regular files are taken; a FIFO,
// a device or a directory is refused without blocking or reading it.
// The caller owns the returned file; nullptr when refused.
QFile *openFile(const QString &path);

} // namespace Firmware

#endif // FIRMWARE_H
