#include "core/operations.h"

#include "core/clock.h"
#include "core/endpoints.h"
#include "core/firmware.h"
#include "core/networkrules.h"

#include <QFileInfo>

namespace Ops {
namespace {
Request post(const QString &endpoint, const QString &printer, const QStringList &params, int timeoutMs)
{
    Request r;
    r.method = Request::Method::Post;
    r.url = Endpoints::url(endpoint, printer);
    r.params = params;
    r.timeoutMs = timeoutMs;
    return r;
}

Request get(const QString &endpoint, const QString &printer)
{
    Request r;
    r.method = Request::Method::Get;
    r.url = Endpoints::url(endpoint, printer);
    return r;
}

Prepared checked(const QString &printer, AddressCheck check, Request request)
{
    Prepared p;
    p.refusal = checkPrinter(printer, check);
    if (p.ready())
        p.request = std::move(request);
    return p;
}

// The usual judgement, with the body as the value of a success.
Result judgeReading(int status, const QString &body)
{
    Result r = Result::fromRecord(status, body);
    if (r.ok())
        r.value = body;
    return r;
}
} // namespace

Result checkPrinter(const QString &printer, AddressCheck check)
{
    const bool fits
        = check == AddressCheck::A ? AddressPatterns::matchesA(printer) : AddressPatterns::matchesB(printer);
    return fits ? Result::success() : Result::notSent(QStringLiteral("not a printer address: ") + printer);
}

Prepared version(const QString &printer)
{
    return checked(printer, AddressCheck::A,
                   post(Endpoints::GetVersion, printer, {QStringLiteral("type=board")}, Timeouts::Reading));
}

Result judgeVersion(int status, const QString &body)
{
    Result r = Result::fromRecord(status, body);
    if (r.ok())
        r.value = Firmware::versionOf(body);
    return r;
}

Prepared clock(const QString &printer, const QDateTime &now)
{
    return checked(
        printer, AddressCheck::A,
        post(Endpoints::SetTime, printer, {QStringLiteral("time=%1").arg(Clock::stamp(now))}, Timeouts::Reading));
}

Result judgeClock(int status, const QString &body)
{
    return Result::fromRecord(status, body);
}

Prepared counter(const QString &printer)
{
    return checked(printer, AddressCheck::A, get(Endpoints::GetPages, printer));
}

Result judgeCounter(int status, const QString &body)
{
    return judgeReading(status, body);
}

Prepared clear(const QString &printer)
{
    return checked(printer, AddressCheck::B, get(Endpoints::Clear, printer));
}

Result judgeClear(int status, const QString &body)
{
    return Result::fromRecord(status, body);
}

Prepared upgrade(const QString &printer, const QString &path)
{
    Prepared p;
    p.refusal = checkPrinter(printer, AddressCheck::A);
    if (!p.ready())
        return p;
    p.request.file.reset(Firmware::openFile(path));
    if (!p.request.file)
        return Prepared::refused(Result::notSent(QStringLiteral("not a readable regular file: ") + path));
    p.request.method = Request::Method::Multipart;
    p.request.url = Endpoints::url(Endpoints::Upgrade, printer);
    p.request.fileField = QStringLiteral("Zipfile");
    p.request.fileName = QFileInfo(path).fileName();
    p.request.fields.insert(QStringLiteral("type"), QStringLiteral("board"));
    return p;
}

Result judgeUpgrade(int status, const QString &body)
{
    Result r = Result::fromRecord(status, body);
    switch (Firmware::judgeUpload(status, body)) {
    case Firmware::UploadOutcome::Accepted:
        r = Result::success(QStringLiteral("accepted"));
        r.status = status;
        r.body = body;
        break;
    case Firmware::UploadOutcome::BackToDefaultAddress:
        // The whole image went out and the printer fell silent: it has most
        // likely restarted at its factory address. Not a confirmed success.
        r.reason = QStringLiteral("no answer after the whole image was sent: the printer has probably restarted "
                                  "at its default address; configure its network again");
        break;
    case Firmware::UploadOutcome::Failed:
        if (r.ok()) {
            r.kind = Result::Kind::Refused;
            r.reason = QStringLiteral("printer did not confirm the image");
        }
        r.value = Firmware::storedInOf(body);
        break;
    }
    return r;
}

Prepared setIP(const QString &current, const QString &ip, const QString &mask, const QString &gateway)
{
    const int step = NetworkRules::firstFailingStep(current, ip, mask, gateway);
    if (step != 0)
        return Prepared::refused(Result::notSent(QString::fromUtf8(NetworkRules::text(step)), step));
    Prepared p;
    p.request = post(Endpoints::SetIP, current,
                     {QStringLiteral("ip=%1").arg(ip), QStringLiteral("mask=%1").arg(mask),
                      QStringLiteral("gateway=%1").arg(gateway)},
                     Timeouts::Change);
    return p;
}

bool needsProbe(int status, const QString &body)
{
    // Only a request that reached the printer may have moved it.
    return Outcome::isTimeout(status, body);
}

Result judgeSetIP(int status, const QString &body)
{
    return Result::fromRecord(status, body);
}

Prepared probe(const QString &newAddress)
{
    Prepared p;
    p.request = post(Endpoints::GetVersion, newAddress, {QStringLiteral("type=board")}, Timeouts::Reading);
    return p;
}

Result judgeProbe(int status, const QString &body)
{
    Result r = Result::fromRecord(status, body);
    if (r.ok()) {
        r.value = QStringLiteral("answering at its new address");
        return r;
    }
    r.reason = QStringLiteral("configuration sent; the printer has not answered at its new address since");
    return r;
}

} // namespace Ops
