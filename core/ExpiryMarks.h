#pragma once

#include <QDate>
#include <QtGlobal>

class Table;

namespace ExpiryMarks {

// Marks in WRK the contracts that fall due on `day`, over every contract of `contracts` (its filter switched
// off, on tag NUMBER), and clears the mark of every other one:
// - a contract whose own due date is the day is marked when none of PAID, RETURNED, PADAK and RETENT is
//   set; its extensions are not looked at;
// - any other contract is marked when one of its extensions ends on the day, whatever its flags.
// All marks in one transaction: when it fails, every mark stays as it was. Returns the number marked.
qint64 mark(Table& contracts, Table& extensions, const QDate& day);

} // namespace ExpiryMarks
