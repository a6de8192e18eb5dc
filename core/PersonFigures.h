#pragma once

#include <QDate>
#include <QtGlobal>

class Table;

// What the shop has lent to one person and earned from them: the ten figures of the person's profile.
// Sums and counts are 64-bit and checked: a register of many years must never print a wrapped figure. Sums count
// the store's smallest unit (Money::units): whole crowns, or cents in a euro store.
struct PersonFigures
{
    qint64 contracts = 0;         // every contract of the person
    qint64 lent = 0;              // their AMOUNT
    qint64 paidSum = 0;           // their PAID_SUM
    qint64 forfeited = 0;         // contracts with PADAK
    qint64 forfeitedAmount = 0;   // the AMOUNT of those
    qint64 saleProceeds = 0;      // PRED_SUMA of every item of the forfeited contracts, sold or not
    qint64 extensionPayments = 0; // X_PAID of every extension of the contracts with RETENT
    qint64 due = 0;               // open contracts that are due
    qint64 dueAmount = 0;         // the AMOUNT of those

    // paid sum + sale proceeds + extension payments + due amount - amount lent
    qint64 totalYield() const;

    // Sums the contracts of `contracts` from its first record in its order and filter (the report's instance,
    // filtered to the person); items and extensions are found by key on their tag NUMBER. An open contract
    // (neither paid, returned nor forfeited) is due when its first extension in tag order that ends today
    // or earlier exists, or, not extended, when its own due date is today or earlier. An empty due date
    // counts as earlier than any day, empty sums as 0. Lets the screen repaint at each contract.
    static PersonFigures compute(Table& contracts, Table& goods, Table& extensions, const QDate& today);
};
