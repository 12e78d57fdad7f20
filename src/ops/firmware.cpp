#include "ops/firmware.h"

#include <QFile>

#include <fcntl.h>
#include <limits>
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

qint64 maxUploadSize()
{
    // A byte array holds at most INT_MAX bytes minus its header; the body
    // adds the part headers and delimiters around the file.
    return qint64(std::numeric_limits<int>::max()) - 64 * 1024;
}

bool readFile(const QString &path, QByteArray *content)
{
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty())
        return false;
    // Non-blocking so that a FIFO cannot stall the window before fstat says
    // what it is.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxUploadSize()) {
        ::close(fd);
        return false;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    QByteArray data = file.readAll();
    if (data.size() != st.st_size || file.error() != QFileDevice::NoError)
        return false;
    *content = data.isNull() ? QByteArray("") : data;
    return true;
}

} // namespace Firmware
