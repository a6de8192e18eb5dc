#include "reports/PersonDataReport.h"

#include "core/Shop.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double HeadingHeight = 17;
constexpr double LineHeight = 5;
constexpr double TextY = 0.5;
constexpr double ValueX = 52;

} // namespace

PersonDataReport::PersonDataReport(Shop& shop, QObject* parent)
    : ListReport(shop, u"PersonDataReport"_s, QString(), QString(),
                 {u"Osobné údaje"_s, u"Osobné údaje"_s, HeadingHeight, HeadingHeight - 6, LineHeight, {}}, parent)
{
    QuickRep1.feed = [this](const std::function<void()>& printRow) { feed(printRow); };
    Part = &Detail->addMemo(0, TextY).named(u"Part"_s).withFont(ReportFont::bold());
    Caption = &Detail->addMemo(0, TextY, ValueX - 2).named(u"Caption"_s).withFont(ReportFont::italic());
    Value = &Detail->addMemo(ValueX, TextY).named(u"Value"_s);
    Caption->breakWords = true;
    Value->breakWords = true;
}

bool PersonDataReport::Start(const QString& birthNumber)
{
    const auto working = shop().busy(false);
    std::optional<PersonData::Holding> found = PersonData::gather(shop().store(), birthNumber);
    m_holding = found ? *found : PersonData::Holding{};
    m_lines = found ? PersonData::lines(*found) : QList<PersonData::Line>{};
    if (!found) return false;
    namePersonOnOutput(birthNumber);
    setHeading(u"rodné číslo "_s + birthNumber);
    return true;
}

void PersonDataReport::feed(const std::function<void()>& printRow)
{
    for (const PersonData::Line& line : std::as_const(m_lines)) {
        Part->lines = line.heading ? QStringList{line.caption} : QStringList{};
        Caption->lines = line.heading || line.caption.isEmpty() ? QStringList{} : QStringList{line.caption};
        Value->lines = line.heading || line.text.isEmpty() ? QStringList{} : line.text.split(u'\n');
        printRow();
    }
}
