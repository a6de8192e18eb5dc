#pragma once

#include "reports/ListReport.h"
#include "store/trail/Trail.h"

#include <QDate>

// "Zmeny záznamov": the trail of changes as a list, one line per recorded field change (a row that names no
// field, such as a sign-in or a long move, one line with the field's columns empty), in the order the rows
// were written. Personal values print decrypted, or "(vymazané)" where the person's key is gone. Nine columns:
// the page lies on its side.
class ChangesList : public ListReport
{
    Q_OBJECT
public:
    explicit ChangesList(Shop& shop, QObject* parent = nullptr);

    // The detail line's columns, each a memo that wraps within its width.
    ReportItem* Moment = nullptr;
    ReportItem* Clerk = nullptr;
    ReportItem* Counter = nullptr;
    ReportItem* Action = nullptr;
    ReportItem* TableName = nullptr;
    ReportItem* Key = nullptr;
    ReportItem* Field = nullptr;
    ReportItem* OldValue = nullptr;
    ReportItem* NewValue = nullptr;
    ReportItem* Head = nullptr; // after the last line: "Posledný záznam: SEQ:HASH" (the first 16 hex)

    // The rows of the period from `from` to `to`, both included, and the heading naming it. The rows are read
    // anew each time the report is laid out.
    void Start(const QDate& from, const QDate& to);
    // The rows the query finds; the heading names its period and whatever else it asks for.
    void Start(const Trail::Query& query);

    // The second heading line for a query: "od 1.6.2026 do 15.6.2026", then the contract, person and clerk.
    static QString headingOf(const Trail::Query& query);

private:
    void feed(const std::function<void()>& printRow);
    void setLine(const Trail::Row& row, const Trail::FieldChange& change);

    Trail::Query m_query;
};
