#include "core/clock.h"

#include <QDateTime>

QString Clock::stamp(const QDateTime &local)
{
    return local.toString(QStringLiteral("yyyyMMddhhmmss"));
}
