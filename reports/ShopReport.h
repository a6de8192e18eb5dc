#pragma once

#include "reports/Report.h"

#include <QObject>
#include <functional>

class Shop;

// A report of the register over the shop's shared state. The windows start it and show it in the preview;
// mervana-admin starts the same routine and writes the PDF. Every report of the register derives from it.
class ShopReport : public QObject
{
    Q_OBJECT
public:
    ~ShopReport() override;

    Shop& shop() const { return m_shop; }
    Report QuickRep1;

protected:
    ShopReport(Shop& shop, const QString& objectName, const QString& title, QObject* parent);
    // The report shows a person's data: printing it or writing it as PDF leaves its row in the trail of changes
    // naming the person.
    void namePersonOnOutput(const QString& birthNumber);
    // The report lists the personal data of many: printing it or writing it as PDF leaves its row
    // personal-data-exported naming the report, where it went and how many records (count) it holds.
    void recordExportOnOutput(std::function<qint64()> count);

private:
    Shop& m_shop;
};
