#include "reports/PersonProfile.h"

#include "core/Money.h"
#include "core/Shop.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/engine/Names.h"

#include <initializer_list>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double FirstLine = 2;
constexpr double SecondLine = 8.5;
constexpr double IdentityTop = 17;
constexpr double IdentityStep = 8;
constexpr double IdentityValueX = 30;
constexpr double CaptionsY = 55;
constexpr double FooterTop = 3;
constexpr double FooterStep = 7;
constexpr double FigureX = 50;
// A 12-point value beside a 10-point label stands this much higher, so that both share a baseline.
constexpr double ValueRaise = 0.6;

// A figure of PersonFigures with its unit.
QString money(qint64 units, Currency currency)
{
    return Money::fromUnits(units, currency).withUnit(currency);
}

// A label and its value to its right, one pair a line.
struct ValueLine
{
    ReportItem** item;
    const char* name;
    QString caption;
};

// The lines from top down, labels in italics at 2 mm, values in bold 12 points at valueX.
void addValueLines(ReportBand& band, double top, double step, double valueX, std::initializer_list<ValueLine> lines)
{
    double y = top;
    for (const ValueLine& line : lines) {
        band.addLabel(2, y, line.caption).named(u"Caption"_s).withFont(ReportFont::italic());
        *line.item =
            &band.addLabel(valueX, y - ValueRaise).named(QString::fromLatin1(line.name)).withFont(ReportFont::bold(12));
        y += step;
    }
}

} // namespace

PersonProfile::PersonProfile(Shop& shop, QObject* parent)
    : ShopReport(shop, u"PersonProfile"_s, u"Profil osoby"_s, parent)
{
    Table1 = new Table(shop.store(), Tab::ZmluvyDbf, this);
    Table1->setObjectName(u"Table1"_s);
    Table1->setIndexName(Col::NUMBER);
    Table1->open();
    QuickRep1.dataSet = Table1;

    const ReportFont italic = ReportFont::italic();

    ReportBand& heading = QuickRep1.addBand(ReportBand::Kind::ColumnHeader, 62);
    heading.lineBottom = true;
    heading.addDateTime(0, FirstLine).named(u"PrintedAt"_s).withFont(italic);
    heading.addLabel(0, FirstLine, u"Profil osoby"_s)
        .named(u"TitleLine"_s)
        .aligned(ReportItem::Align::Center)
        .withFont(italic);
    ShopName = &heading.addLabel(0, FirstLine).named(u"ShopName"_s).aligned(ReportItem::Align::Right).withFont(italic);
    heading.addPageNumber(0, SecondLine).named(u"PageNumber"_s).withFont(italic);

    addValueLines(heading, IdentityTop, IdentityStep, IdentityValueX,
                  {{&LastName, "LastName", u"Priezvisko:"_s},
                   {&FirstName, "FirstName", u"Meno:"_s},
                   {&BirthNumber, "BirthNumber", u"Rodné číslo:"_s},
                   {&IdCard, "IdCard", u"Preukaz:"_s}});

    ReportBand& detail = QuickRep1.addBand(ReportBand::Kind::Detail, 7);
    const struct
    {
        double x;
        QString caption;
        QString field;
    } columns[] = {{2, u"Zmluva"_s, Col::NUMBER},      {19, u"Od"_s, Col::AGRDATE},
                   {38, u"Do"_s, Col::UNTIL},          {66, u"Zal.suma"_s, Col::AMOUNT},
                   {85, u"Percentá"_s, Col::PERCENT},  {102, u"Týždne"_s, Col::WEEKTIME},
                   {119, u"Vrátené"_s, Col::RETURNED}, {138, u"Zaplatené"_s, Col::PAID},
                   {155, u"Prepadn."_s, Col::PADAK},   {174, u"Predĺžené"_s, Col::RETENT}};
    for (const auto& c : columns) {
        heading.addLabel(c.x, CaptionsY, c.caption).named(u"Caption"_s).withFont(italic);
        detail.addField(c.x, 1, c.field);
    }

    ReportBand& footer = QuickRep1.addBand(ReportBand::Kind::PageFooter, 76);
    footer.lineTop = true;
    addValueLines(footer, FooterTop, FooterStep, FigureX,
                  {{&ContractCount, "ContractCount", u"Celkový počet zmlúv:"_s},
                   {&AmountLent, "AmountLent", u"Celková požičaná suma:"_s},
                   {&ForfeitedCount, "ForfeitedCount", u"Počet prepadnutých:"_s},
                   {&ForfeitedAmount, "ForfeitedAmount", u"Suma z prepadnutých:"_s},
                   {&DueCount, "DueCount", u"Počet aktuálnych:"_s},
                   {&DueAmount, "DueAmount", u"Suma z aktuálnych:"_s},
                   {&PaidSum, "PaidSum", u"Suma zo zaplatených:"_s},
                   {&ExtensionPayments, "ExtensionPayments", u"Úroky z omeškania:"_s},
                   {&SaleProceeds, "SaleProceeds", u"Výnosy z predaja:"_s},
                   {&TotalYield, "TotalYield", u"Celkový výnos na osobu:"_s}});
}

PersonProfile::~PersonProfile() = default;

bool PersonProfile::Start(const QString& birthNumber)
{
    const auto working = shop().busy(false);
    Table& persons = *shop().Table2;
    persons.setIndexName(Col::BIRTHNUM);
    shop().Table3->setIndexName(Col::NUMBER);
    shop().Table4->setIndexName(Col::NUMBER);
    if (!persons.findKey(birthNumber)) return false;
    namePersonOnOutput(birthNumber);

    Table1->setFilter(Filter::equal(Table1->definition(), Col::BIRTHNUM, birthNumber));
    Table1->setFiltered(true);
    figures = {};
    figures = PersonFigures::compute(*Table1, *shop().Table4, *shop().Table3, Clock::today());

    ShopName->text = shop().ShopName;
    LastName->text = persons.field(Col::LASTNAME).asString();
    FirstName->text = persons.field(Col::FIRSNAME).asString();
    BirthNumber->text = persons.field(Col::BIRTHNUM).asString();
    IdCard->text = persons.field(Col::IDCARD).asString();

    ContractCount->text = QString::number(figures.contracts);
    const Currency c = shop().store().currency();
    AmountLent->text = money(figures.lent, c);
    ForfeitedCount->text = QString::number(figures.forfeited);
    ForfeitedAmount->text = money(figures.forfeitedAmount, c);
    DueCount->text = QString::number(figures.due);
    DueAmount->text = money(figures.dueAmount, c);
    // The shop's own spelling on this one line of a crown store.
    PaidSum->text = c == Currency::Eur ? money(figures.paidSum, c) : QString::number(figures.paidSum) + u" SK"_s;
    ExtensionPayments->text = money(figures.extensionPayments, c);
    SaleProceeds->text = money(figures.saleProceeds, c);
    TotalYield->text = money(figures.totalYield(), c);
    return true;
}
