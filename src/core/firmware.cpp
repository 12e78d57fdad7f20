#include "core/firmware.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Firmware {

QString versionOf(const QString &body)
{
    return body.section(QLatin1Char(':'), 1, 1);
}

QString storedInOf(const QString &body)
{
    return body.section(QStringLiteral("Stored in:"), 1, 1);
}

UploadOutcome judgeUpload(int status, const QString &body)
{
    if (body.contains(QLatin1String("1001")))
        return UploadOutcome::Accepted;
    if (status == 404)
        return UploadOutcome::BackToDefaultAddress;
    return UploadOutcome::Failed;
}

QFile *openFile(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty())
        return nullptr;
    // Non-blocking so that a FIFO cannot stall the window before fstat says
    // what it is.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    auto *file = new QFile;
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        delete file;
        return nullptr;
    }
    return file;
}

} // namespace Firmware
