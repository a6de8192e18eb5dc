#pragma once

#include <QDate>
#include <QList>
#include <QString>

class Store;

// How long the shop keeps a person identifiable. Contracts are the shop's books and stay; after RetentionYears
// from the end of a person's last contract, the person's name, address, ID card and note are blanked and the
// birth number is replaced by a pseudonym, in the person and in every contract, live and archived.
namespace Retention {

struct Person
{
    QString birthNumber;
    QString lastName, firstName;
    QDate latest; // the latest date of any of their contracts; invalid for a person without any
};

struct Survey
{
    QList<Person> due;              // to be anonymised
    QList<Person> undesirable;      // would be due, but marked BLACK: never anonymised automatically
    QList<Person> withoutContracts; // nobody knows when their record was written: left alone
};

// Who is due on today when data is kept for years (0: nobody ever). A person is due when none of their contracts,
// live or archived, is still running and every one was finished (paid, or forfeited with every item sold) more
// than years ago by the latest of its dates: its own, its extensions' and its goods' sale. Persons already
// anonymised are not listed again. Each list is sorted by birth number.
Survey survey(Store& store, const QDate& today, int years);

struct Anonymised
{
    Person person; // as it was: for the caller's list only, never stored
    QString pseudonym;
};

// Anonymises everyone due on today, found anew inside one write transaction: persons, contracts and archived
// contracts rewritten, each person's trail key deleted and one trail row "anonymised" per person naming only the
// pseudonym; then every trail key of a birth number no person and no contract has any more is deleted too
// (keysSwept: how many). All or nothing: a failure leaves every person as before and throws.
QList<Anonymised> anonymiseDue(Store& store, const QDate& today, int years, qint64* keysSwept = nullptr);

// The register asks an owner once a month whether to anonymise those due. The store keeps when it last asked (a
// trail row retention-asked naming the month, the count and the answer), so every counter of a shop asks once.
bool askedIn(Store& store, const QDate& month);
void noteAsked(Store& store, const QDate& month, qsizetype due, bool yes);

// "X" and nine digits: a birth number has digits only, so it never is one.
bool isPseudonym(const QString& birthNumber);

} // namespace Retention
