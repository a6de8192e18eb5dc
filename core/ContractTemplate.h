#pragma once

#include "store/Currency.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Filling the contract template: lines of plain text where the first "@" of a line with the two
// characters after it names a value (@01..@12).
namespace ContractTemplate {

struct Data
{
    QString number;      // @01
    QString date;        // @02, as shown
    QString pledgerName; // @03: surname, blank, first name
    QString idCard;      // @04
    QString birthNumber; // @05
    QString address;     // @06: street, house number, town
    QStringList items;   // @07: one line each
    QString amountText;  // @08 and, as a whole number in words, @09
    QString percent;     // @10
    QString weeks;       // @11
    QString until;       // @12, as shown
    // A euro store's amount: "1500,30" and its words with cents.
    Currency currency = Currency::Skk;
};

// The template file's bytes as lines: UTF-8 when it starts with a byte-order mark or is valid UTF-8 without
// one, otherwise Windows-1250. Lines end with CR LF; a lone LF is taken as well.
QStringList decode(const QByteArray& bytes);

// Appends the printed lines to out. A line after the first @07 gets no more items. An amount that is
// not a whole number (in a euro store: no amount with at most two decimals) stops the fill at @08 or @09 with
// "'%s' is not a valid integer value"; out keeps the lines built so far.
void fill(const QStringList& lines, const Data& data, QStringList& out);

} // namespace ContractTemplate
