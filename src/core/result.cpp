#include "core/result.h"

#include "core/endpoints.h"
#include "net/httpservices.h"

Result Result::success(const QString &value)
{
    Result r;
    r.kind = Kind::Success;
    r.status = 200;
    r.value = value;
    r.delivered = true;
    return r;
}

Result Result::notSent(const QString &reason, int step)
{
    Result r;
    r.kind = Kind::NotSent;
    r.reason = reason;
    r.step = step;
    return r;
}

Result Result::localFailure(const QString &reason)
{
    Result r = notSent(reason);
    r.localFault = true;
    return r;
}

Result Result::unrecorded(const QString &reason)
{
    Result r;
    r.kind = Kind::Unrecorded;
    r.status = 200;
    r.delivered = true;
    r.reason = reason;
    return r;
}

Result Result::fromRecord(int status, const QString &body)
{
    Result r;
    r.status = status;
    r.body = body;
    if (Outcome::isSuccess(status)) {
        r.kind = Kind::Success;
        r.delivered = true;
    } else if (body == QLatin1String("timeout")
               && (status == HttpServices::TimeoutDelivered || status == HttpServices::TimeoutUndelivered)) {
        r.kind = Kind::NoAnswer;
        r.status = 0; // the record's 404 is no answer of the printer's
        r.delivered = status == HttpServices::TimeoutDelivered;
        r.reason = r.delivered ? QStringLiteral("no answer in time") : QStringLiteral("request never delivered");
    } else if (status == 0) {
        r.kind = Kind::TransportFailure;
        r.reason = QStringLiteral("no HTTP answer");
    } else {
        r.kind = Kind::Refused;
        r.delivered = true;
        r.reason = QStringLiteral("printer answered %1").arg(status);
    }
    return r;
}

QString Result::kindName() const
{
    switch (kind) {
    case Kind::Success:
        return QStringLiteral("success");
    case Kind::Refused:
        return QStringLiteral("refused");
    case Kind::TransportFailure:
        return QStringLiteral("transport");
    case Kind::NoAnswer:
        return QStringLiteral("timeout");
    case Kind::Unrecorded:
        return QStringLiteral("unrecorded");
    case Kind::NotSent:
        break;
    }
    return QStringLiteral("not-sent");
}

QString Result::describe() const
{
    if (ok())
        return value.isEmpty() ? reason : value;
    if (kind == Kind::Refused && !body.isEmpty())
        return reason + QStringLiteral(": ") + body.left(200);
    return reason;
}
