#pragma once

#include "core/PersonData.h"
#include "reports/ListReport.h"

// "Osobné údaje": everything the store holds about one person (core/PersonData.h), a heading line for each part
// and a caption and its value per line. Printing it or writing it as PDF leaves the row personal-data-printed
// naming the person in the trail of changes.
class PersonDataReport : public ListReport
{
    Q_OBJECT
public:
    explicit PersonDataReport(Shop& shop, QObject* parent = nullptr);

    ReportItem* Part = nullptr;    // a part's heading, in bold
    ReportItem* Caption = nullptr; // a value's caption
    ReportItem* Value = nullptr;   // the value, wrapped in its column

    // Gathers the data of the person with this birth number; false when the store holds nothing about them, and
    // then there is nothing to print.
    bool Start(const QString& birthNumber);

    const PersonData::Holding& holding() const { return m_holding; }

private:
    void feed(const std::function<void()>& printRow);

    PersonData::Holding m_holding;
    QList<PersonData::Line> m_lines;
};
