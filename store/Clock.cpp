#include "store/Clock.h"

namespace {
QDate pinned;
}

namespace Clock {

QDate today()
{
    return pinned.isValid() ? pinned : QDate::currentDate();
}

QDateTime now()
{
    const QDateTime real = QDateTime::currentDateTime();
    return pinned.isValid() ? QDateTime(pinned, real.time()) : real;
}

void setToday(const QDate& day)
{
    pinned = day;
}

} // namespace Clock
