#pragma once

#include <QDate>
#include <QDateTime>

// The one source of "today" and "now"; tests pin it to a day.
namespace Clock {

QDate today();
QDateTime now();
void setToday(const QDate& day); // an invalid date returns to the system clock

} // namespace Clock
