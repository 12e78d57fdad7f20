#ifndef CLOCK_H
#define CLOCK_H

#include <QString>

class QDateTime;

namespace Clock {
// Fourteen digits, local time, 24-hour clock, no zone.
QString stamp(const QDateTime &local);
} // namespace Clock

#endif // CLOCK_H
