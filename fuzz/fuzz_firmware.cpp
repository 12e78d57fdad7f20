#include "core/firmware.h"

#include <cstdlib>

// The version and "Stored in:" sections are pieces of the body, and the
// upload verdict follows its three rules.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const int status = data[0] * 2;
    const QString body = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), int(size - 1));
    const QString version = Firmware::versionOf(body);
    if (version.contains(':') || (!version.isEmpty() && !body.contains(version)))
        std::abort();
    const QString stored = Firmware::storedInOf(body);
    if (!stored.isEmpty() && (!body.contains("Stored in:" + stored) || stored.contains("Stored in:")))
        std::abort();
    const auto outcome = Firmware::judgeUpload(status, body);
    const auto expected = body.contains("1001") ? Firmware::UploadOutcome::Accepted
        : status == 404                         ? Firmware::UploadOutcome::BackToDefaultAddress
                                                : Firmware::UploadOutcome::Failed;
    if (outcome != expected)
        std::abort();
    return 0;
}
