#pragma once

#include "reports/ShopReport.h"

#include <QString>

class Table;

// What the register's list reports share: a table instance of their own (so filtering it for a report
// never disturbs the register windows), the report over it, and a heading band with the date and time
// and page number at the left, the title and a second line centred, the shop name at the right and the
// column captions in one row. A list without a file has no instance: it feeds its rows itself.
class ListReport : public ShopReport
{
    Q_OBJECT
public:
    struct Layout
    {
        QString title;     // the print job's name
        QString titleLine; // centred at the top of every page
        double headingHeight = 30;
        double captionsY = 21;
        double detailHeight = 8.5;
        ReportFont captionFont = {}; // of the column captions
    };

    ListReport(Shop& shop, const QString& objectName, const QString& file, const QString& tag, const Layout& layout,
               QObject* parent = nullptr);
    ~ListReport() override;

    Table* Table1 = nullptr; // the report's own instance, if it has a file
    ReportBand* ColumnHeader = nullptr;
    ReportBand* Detail = nullptr;
    ReportItem* TitleLine = nullptr;
    ReportItem* QRLabel14 = nullptr; // the second heading line, set by each start
    ReportItem* ShopName = nullptr;  // set by each start

    // A column: its caption in the heading and the field's text in the detail band, at x millimetres.
    ReportItem& addColumn(double x, const QString& caption, const QString& field);
    // A caption alone, for a column the program fills; in the row of captions unless y is given.
    ReportItem& addCaption(double x, const QString& caption, double y = -1);

    // The subjects of the goods pledged under a contract, one line each in the order of the shop's goods table
    // on its tag NUMBER, into a memo; the screen repaints after each line.
    void fillGoods(const QString& number, ReportItem& memo);

protected:
    // The two steps every start ends in, before the preview: the second heading line and the shop's name.
    void setHeading(const QString& secondLine);

private:
    double m_captionsY;
    ReportFont m_captionFont;
};
