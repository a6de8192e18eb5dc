#include "tools/DemoData.h"

#include "core/Money.h"

#include "store/Store.h"
#include "store/Transaction.h"
#include "store/engine/Errors.h"
#include "store/engine/Names.h"
#include "store/engine/Schema.h"
#include "store/trail/Trail.h"

#include <QList>
#include <QRandomGenerator>
#include <QSet>
#include <QStringView>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <iterator>

using namespace Qt::Literals::StringLiterals;

namespace {

// QRandomGenerator with a fixed seed and its own bounding is the same on every platform, unlike the
// standard distributions, so the set is the same wherever it is built.
class Rng
{
public:
    explicit Rng(quint32 seed) : m_gen(seed) {}
    int below(qint64 n) { return n <= 1 ? 0 : int(m_gen.bounded(quint32(n))); }
    int between(int lo, int hi) { return lo + below(qint64(hi) - lo + 1); }
    bool chance(int percent) { return below(100) < percent; }
    double unit() { return m_gen.generateDouble(); }
    template <typename T, std::size_t N> QString pick(const T (&list)[N]) { return list[below(N)].toString(); }
    QDate dayBetween(const QDate& lo, const QDate& hi) { return lo >= hi ? lo : lo.addDays(below(lo.daysTo(hi) + 1)); }

private:
    QRandomGenerator m_gen;
};

struct NamePair
{
    QStringView male;
    QStringView female;
};

constexpr NamePair Surnames[] = {
    {u"Novák", u"Nováková"},    {u"Horváth", u"Horváthová"},   {u"Kováč", u"Kováčová"},
    {u"Varga", u"Vargová"},     {u"Tóth", u"Tóthová"},         {u"Nagy", u"Nagyová"},
    {u"Baláž", u"Balážová"},    {u"Szabó", u"Szabóová"},       {u"Molnár", u"Molnárová"},
    {u"Lukáč", u"Lukáčová"},    {u"Kráľ", u"Kráľová"},         {u"Hudák", u"Hudáková"},
    {u"Polák", u"Poláková"},    {u"Kollár", u"Kollárová"},     {u"Németh", u"Némethová"},
    {u"Oravec", u"Oravcová"},   {u"Mráz", u"Mrázová"},         {u"Urban", u"Urbanová"},
    {u"Kučera", u"Kučerová"},   {u"Sloboda", u"Slobodová"},    {u"Čech", u"Čechová"},
    {u"Čierny", u"Čierna"},     {u"Červeňák", u"Červeňáková"}, {u"Čonka", u"Čonková"},
    {u"Šimko", u"Šimková"},     {u"Štefánik", u"Štefániková"}, {u"Šebo", u"Šebová"},
    {u"Šťastný", u"Šťastná"},   {u"Žiak", u"Žiaková"},         {u"Žák", u"Žáková"},
    {u"Žilinský", u"Žilinská"}, {u"Chovanec", u"Chovancová"},  {u"Chalupa", u"Chalupová"},
    {u"Chudý", u"Chudá"},       {u"Chrenko", u"Chrenková"},    {u"Hruška", u"Hrušková"},
    {u"Blaho", u"Blahová"},     {u"Cyprich", u"Cyprichová"},   {u"Cibula", u"Cibulová"},
    {u"Hudec", u"Hudecová"},    {u"Marko", u"Marková"},        {u"Pavlík", u"Pavlíková"},
    {u"Gajdoš", u"Gajdošová"},  {u"Ďurica", u"Ďuricová"},      {u"Ďurčo", u"Ďurčová"},
    {u"Ľupták", u"Ľuptáková"},  {u"Bartoš", u"Bartošová"},     {u"Sýkora", u"Sýkorová"},
    {u"Kmeť", u"Kmeťová"},      {u"Zeman", u"Zemanová"},       {u"Janík", u"Janíková"},
    {u"Mikuš", u"Mikušová"},    {u"Krajčí", u"Krajčiová"},     {u"Holub", u"Holubová"},
    {u"Vlček", u"Vlčková"},     {u"Kočiš", u"Kočišová"},       {u"Macko", u"Macková"},
    {u"Adamec", u"Adamcová"},   {u"Benko", u"Benková"},        {u"Jurík", u"Juríková"},
    {u"Ondruš", u"Ondrušová"},  {u"Valach", u"Valachová"},     {u"Kubík", u"Kubíková"},
};

// Sorts before every other surname of the list.
constexpr NamePair FirstSurname = {u"Adamec", u"Adamcová"};

constexpr QStringView MaleNames[] = {
    u"Ján",    u"Peter",     u"Jozef",    u"Michal", u"Martin",  u"Tomáš",    u"Juraj",    u"Marek",
    u"Štefan", u"Ľubomír",   u"Miroslav", u"Dušan",  u"Milan",   u"Vladimír", u"Pavol",    u"Igor",
    u"Róbert", u"Rastislav", u"Ondrej",   u"Matúš",  u"Šimon",   u"Žigmund",  u"Ladislav", u"František",
    u"Karol",  u"Branislav", u"Jaroslav", u"Anton",  u"Richard", u"Roman",    u"Viliam",   u"Ľudovít",
};

constexpr QStringView FemaleNames[] = {
    u"Mária",   u"Anna",    u"Zuzana", u"Katarína", u"Jana",     u"Eva",     u"Helena",
    u"Monika",  u"Lucia",   u"Ivana",  u"Martina",  u"Alžbeta",  u"Viera",   u"Božena",
    u"Želmíra", u"Ľudmila", u"Silvia", u"Dana",     u"Gabriela", u"Šarlota", u"Soňa",
    u"Beáta",   u"Renáta",  u"Andrea", u"Erika",    u"Jarmila",  u"Oľga",    u"Terézia",
};

constexpr QStringView Towns[] = {
    u"Bratislava", u"Košice",  u"Prešov",    u"Žilina",     u"Nitra",      u"Trnava",     u"Martin",
    u"Trenčín",    u"Poprad",  u"Prievidza", u"Zvolen",     u"Michalovce", u"Nové Zámky", u"Komárno",
    u"Levice",     u"Humenné", u"Bardejov",  u"Ružomberok", u"Piešťany",   u"Topoľčany",  u"Čadca",
    u"Šaľa",       u"Senica",  u"Skalica",   u"Pezinok",    u"Lučenec",    u"Rožňava",    u"Trebišov",
    u"Malacky",    u"Šurany",  u"Štúrovo",   u"Žarnovica",  u"Chynorany",
};

constexpr QStringView Streets[] = {
    u"Hlavná",      u"Štúrova",      u"Hviezdoslavova", u"Námestie SNP", u"Mierová",     u"Školská",
    u"Záhradná",    u"Kpt. Nálepku", u"Jesenského",     u"Kukučínova",   u"Šafárikova",  u"Dlhá",
    u"Krátka",      u"Partizánska",  u"Sládkovičova",   u"Komenského",   u"Čsl. armády", u"Železničná",
    u"Cintorínska", u"Hurbanova",    u"Nová",           u"Poľná",        u"Okružná",     u"Družstevná",
    u"Lesná",       u"Chalupkova",   u"Hollého",        u"Jilemnického", u"Ševčenkova",  u"Žitná",
};

constexpr QStringView CardSeries[] = {u"EA", u"EB", u"EC", u"ED", u"EE", u"EH", u"EK", u"EL", u"HA", u"HB", u"SP"};

constexpr QStringView Notes[] = {
    u"Stály zákazník, platí načas.",
    u"Pri poslednej zmluve meškal s platbou.",
    u"Uprednostňuje predĺženie pred vyplatením.",
    u"Kontakt cez manželku, tel. 0905 123 456.",
    u"Zálohy vyberá vždy osobne.",
};

constexpr QStringView Warnings[] = {
    u"Priniesol veci neznámeho pôvodu, polícia overovala.",
    u"Neplatí, opakovane prepadnuté zálohy.",
    u"Falšovaný doklad totožnosti, nepožičiavať.",
    u"Agresívne správanie v predajni.",
};

// Jewellery is pledged by weight; the subject carries the grams.
// A euro store's figures are those of a shop of 2026 (gold lent on at some 45 euros a gram), not crowns relabelled.
struct Jewel
{
    QStringView subject; // with %1 for the grams
    int crownsPerGram;
    int minGrams;
    int maxGrams;
    int centsPerGram;
};

constexpr Jewel Jewellery[] = {
    {u"Zlatá retiazka 585, %1 g", 220, 3, 35, 4500},    {u"Zlatý prsteň 585, %1 g", 220, 2, 12, 4500},
    {u"Zlaté náušnice 585, %1 g", 220, 2, 8, 4500},     {u"Zlatý náramok 585, %1 g", 220, 5, 30, 4500},
    {u"Strieborná retiazka 925, %1 g", 12, 10, 60, 60}, {u"Obrúčky zlaté, pár, %1 g", 220, 4, 12, 4500},
};

struct Goods
{
    QStringView subject;
    int minValue;
    int maxValue;
    int minEuros;
    int maxEuros;
};

constexpr Goods OtherGoods[] = {
    {u"Mobilný telefón, dotykový", 800, 6000, 40, 350},
    {u"Notebook 15 palcov s nabíjačkou", 4000, 18000, 120, 700},
    {u"Televízor LCD 82 cm", 2500, 9000, 60, 350},
    {u"Fotoaparát digitálny s objektívom", 1500, 9000, 60, 400},
    {u"Hodinky náramkové pánske", 400, 5000, 20, 250},
    {u"Hodinky dámske pozlátené", 400, 3000, 15, 150},
    {u"Vŕtačka príklepová v kufríku", 400, 1800, 15, 70},
    {u"Motorová píla", 1500, 6000, 50, 250},
    {u"Bicykel horský 26 palcov", 1500, 7000, 50, 300},
    {u"Herná konzola s dvoma ovládačmi", 2500, 8000, 60, 300},
    {u"Gitara akustická s obalom", 800, 4000, 30, 180},
    {u"Uhlová brúska", 400, 1500, 15, 60},
    {u"Autorádio s diaľkovým ovládaním", 500, 2500, 15, 90},
    {u"Kožená bunda pánska", 500, 2500, 20, 100},
    {u"Videokamera s taškou", 1500, 7000, 50, 250},
    {u"Kožuch dámsky", 1000, 6000, 40, 250},
};

constexpr int Percents[] = {10, 12, 15, 15, 20, 20, 25};
constexpr int Terms[] = {2, 3, 4, 4, 4, 6, 8, 12}; // weeks

enum class Outcome { Current, Expired, Paid, Forfeited };

struct Plan
{
    QDate agreed;
    QDate until;
    int weeks = 0;
    int items = 1;
    int extensions = 0;
};

// Sums count whole crowns, or cents in a euro store.
struct Item
{
    QString subject;
    int pledge = 0; // SUMA1
    int asking = 0; // SUMA2
};

int roundTo(double value, int step)
{
    return std::max(step, int(std::lround(value / step)) * step);
}

QVariant dateValue(const QDate& date)
{
    return date.isValid() ? QVariant(date.toString(Qt::ISODate)) : QVariant();
}

// The due date of a term: whole weeks, except that four weeks are one calendar month.
QDate dueDate(const QDate& agreed, int weeks)
{
    return weeks == 4 ? agreed.addMonths(1) : agreed.addDays(7 * weeks);
}

// Slovak birth number: YYMMDD (women: month + 50), a three-digit serial and a check digit that makes
// the ten-digit number divisible by 11. A serial whose remainder is 10 has no such digit.
QString birthNumber(Rng& rng, int year, bool female)
{
    const int month = rng.between(1, 12);
    const int day = rng.between(1, QDate(year, month, 1).daysInMonth());
    const qint64 date = (year % 100) * 10000 + (month + (female ? 50 : 0)) * 100 + day;
    for (;;) {
        const qint64 first9 = date * 1000 + rng.below(1000);
        const qint64 check = first9 % 11;
        if (check < 10) return u"%1%2"_s.arg(first9, 9, 10, QChar(u'0')).arg(check);
    }
}

// Every field of one table, in table order.
class Inserter
{
public:
    Inserter(Store& store, const QString& table) : m_store(store), m_def(*Schema::find(table)) {}
    void row(std::initializer_list<QVariant> values)
    {
        Q_ASSERT(qsizetype(values.size()) == m_def.fields.size());
        StatementUse q = m_store.insertStatement(m_def, (quint64(1) << m_def.fields.size()) - 1);
        for (const QVariant& v : values)
            q.addBindValue(v);
        q.exec();
    }

private:
    Store& m_store;
    const TableDef& m_def;
};

void requireEmpty(Store& store)
{
    for (const TableDef& def : Schema::tables()) {
        store.table(def.file); // names a missing table
        if (store.scalar(u"SELECT EXISTS (SELECT 1 FROM \"%1\")"_s.arg(def.sqlName)).toLongLong() != 0)
            throw StoreError(
                u"The store in %1 holds records already (%2); the demo set goes only into an empty store"_s.arg(
                    store.dataDir(), def.file));
    }
}

// The days the contracts were written over: at least two years, and few enough contracts a year that
// the five-digit serial never repeats within one year.
int spanDays(qint64 contracts)
{
    return int(std::max<qint64>(2 * 365, (contracts * 366 + 89999) / 90000));
}

QList<QString> writePersons(Rng& rng, Inserter& out, qint64 count, const QDate& today, int spanYears,
                            DemoData::FirstPerson first)
{
    // Adults when their first contract was written; ten-digit birth numbers exist from 1954 on.
    const int youngest = today.year() - 18 - spanYears;
    const int oldest = std::max(1954, today.year() - 80);
    const int lastYear = std::max(youngest, oldest + 10);
    QList<QString> birthNumbers;
    birthNumbers.reserve(count);
    QSet<QString> used, cards;
    for (qint64 p = 0; p < count; ++p) {
        // The first person written is Adamcová: first in surname order, ahead of her namesakes by row id.
        const bool female = rng.chance(45) || p == 0;
        const NamePair& surname = p == 0 ? FirstSurname : Surnames[rng.below(std::size(Surnames))];
        const QString lastName = (female ? surname.female : surname.male).toString();
        const QString firstName = female ? rng.pick(FemaleNames) : rng.pick(MaleNames);
        const int year = rng.between(oldest, lastYear);
        QString birth;
        do {
            birth = birthNumber(rng, year, female);
        } while (used.contains(birth));
        used.insert(birth);
        QString card;
        do {
            card = rng.pick(CardSeries) + QString::number(rng.between(100000, 999999));
        } while (cards.contains(card));
        cards.insert(card);
        const QString streetNo = rng.chance(25) ? u"%1/%2"_s.arg(rng.between(100, 2500)).arg(rng.between(1, 60))
                                                : QString::number(rng.between(1, 180));
        const bool black = p == 0 ? first == DemoData::FirstPerson::Undesirable : rng.chance(3);
        const QVariant reason =
            black ? QVariant(rng.pick(Warnings)) : (rng.chance(8) ? QVariant(rng.pick(Notes)) : QVariant());
        out.row(
            {0, black ? 1 : 0, birth, lastName, firstName, card, rng.pick(Streets), streetNo, rng.pick(Towns), reason});
        birthNumbers << birth;
    }
    return birthNumbers;
}

// The newest contract keeps this year's number; an extended or forfeited one was written weeks ago.
Plan newestPlan(DemoData::Newest newest, const QDate& today)
{
    Plan p;
    const QDate newYear(today.year(), 1, 1);
    switch (newest) {
    case DemoData::Newest::Extended:
        p.agreed = std::max(newYear, today.addDays(-70));
        p.extensions = 2;
        break;
    case DemoData::Newest::ForfeitedSold:
        p.agreed = std::max(newYear, today.addDays(-120));
        break;
    default:
        p.agreed = today;
        break;
    }
    p.weeks = 4;
    p.until = dueDate(p.agreed, p.weeks);
    return p;
}

QList<Plan> planContracts(Rng& rng, const DemoData::Counts& counts, const QDate& today, DemoData::Newest newest)
{
    const qint64 n = counts.contracts;
    const int span = spanDays(n);
    QList<Plan> plans(n);
    for (qint64 i = 0; i < n; ++i) {
        Plan& p = plans[i];
        p.agreed = today.addDays(-(span - 1) + (i * span) / n); // oldest first, the last ones today
        p.weeks = Terms[rng.below(std::size(Terms))];
        p.until = dueDate(p.agreed, p.weeks);
    }
    const Plan last = newestPlan(newest, today);
    plans.last().agreed = last.agreed;
    plans.last().weeks = last.weeks;
    plans.last().until = last.until;
    plans.last().extensions = last.extensions;

    // Goods: one to four items a contract, exactly the planned total.
    for (qint64 extra = counts.goods - n; extra > 0;) {
        Plan& p = plans[rng.below(n)];
        if (p.items < 4) {
            ++p.items;
            --extra;
        }
    }

    // Extensions: only a contract past its due date is extended, and each further extension is paid
    // when the previous one runs out, which must not lie after today. Recently due contracts are
    // extended more often, so some extensions still run today.
    struct Candidate
    {
        qint64 index;
        int cap;
        double key;
    };
    QList<Candidate> candidates;
    for (qint64 i = 0; i < n - 1; ++i) { // the newest has its extensions already
        const Plan& p = plans.at(i);
        if (p.until >= today) continue;
        int cap = 0;
        while (cap < 3 && p.until.addMonths(cap) <= today)
            ++cap;
        const double weight = p.until.daysTo(today) <= 100 ? 8.0 : 1.0;
        candidates.append({i, cap, -std::log(1.0 - rng.unit()) / weight}); // weighted sampling by key
    }
    const qint64 toPlan = counts.extensions - plans.last().extensions;
    const qint64 extended = (toPlan + 1) / 2;
    if (candidates.size() < extended)
        throw StoreError(u"Too few contracts past their due date for %1 extensions"_s.arg(counts.extensions));
    std::sort(candidates.begin(), candidates.end(),
              [](const Candidate& a, const Candidate& b) { return a.key < b.key; });
    candidates.resize(extended);
    QList<qint64> slots; // one per further extension a chosen contract could take
    for (const Candidate& c : std::as_const(candidates)) {
        plans[c.index].extensions = 1;
        for (int k = 1; k < c.cap; ++k)
            slots << c.index;
    }
    const qint64 further = toPlan - extended;
    if (slots.size() < further) throw StoreError(u"Too few contracts can take %1 extensions"_s.arg(counts.extensions));
    for (qint64 i = 0; i < further; ++i) {
        std::swap(slots[i], slots[i + rng.below(slots.size() - i)]);
        ++plans[slots.at(i)].extensions;
    }
    return plans;
}

// A euro shop's asking and sale prices end in ,90.
int priceTo(double cents, int step)
{
    return roundTo(cents, step) - 10;
}

// The same draws in either currency, so that a crown store's set stays what it always was.
QList<Item> makeItems(Rng& rng, int count, bool euro)
{
    QList<Item> items;
    for (int k = 0; k < count; ++k) {
        Item item;
        if (rng.chance(45)) {
            const Jewel& j = Jewellery[rng.below(std::size(Jewellery))];
            const int grams = rng.between(j.minGrams, j.maxGrams);
            item.subject = j.subject.toString().arg(grams);
            const double factor = 0.8 + 0.4 * rng.unit();
            item.pledge =
                euro ? roundTo(grams * j.centsPerGram * factor, 10) : roundTo(grams * j.crownsPerGram * factor, 50);
        } else {
            const Goods& g = OtherGoods[rng.below(std::size(OtherGoods))];
            item.subject = g.subject.toString();
            item.pledge = euro ? roundTo(rng.between(g.minEuros, g.maxEuros), 5) * 100
                               : roundTo(rng.between(g.minValue, g.maxValue), 50);
        }
        const double markup = 1.3 + 0.4 * rng.unit();
        item.asking = euro ? priceTo(item.pledge * markup, 1000) : roundTo(item.pledge * markup, 10);
        items << item;
    }
    return items;
}

} // namespace

namespace DemoData {

Counts countsFor(int scale)
{
    return {300LL * scale, 600LL * scale, 100LL * scale, 80LL * scale};
}

Variant variantFor(int scale)
{
    return {Newest(scale % 5), FirstPerson(scale % 3)};
}

Counts fill(Store& store, int scale, const QDate& today, std::optional<Variant> variant)
{
    if (scale < 1 || scale > MaxScale)
        throw StoreError(u"The scale must lie between 1 and %1, not %2"_s.arg(MaxScale).arg(scale));
    if (!today.isValid()) throw StoreError(u"The demo set needs a valid day"_s);
    requireEmpty(store);
    const Counts counts = countsFor(scale);
    Rng rng(20030417u + quint32(scale));
    const Variant v = variant.value_or(variantFor(scale));
    const bool euro = store.currency() == Currency::Eur;
    const auto stored = [euro](qint64 units) { return euro ? double(units) / 100.0 : double(units); };
    {
        Transaction transaction(store);
        const Trail::Bulk bulk(store);
        // WRK, BLACK, BIRTHNUM, LASTNAME, FIRSNAME, IDCARD, STREET, STREETNO, CITY, REASON
        Inserter persons(store, Tab::Osoby);
        // WRK, BIRTHNUM, NUMBER, AGRDATE, AMOUNT, PERCENT, WEEKTIME, UNTIL, PAID, PAID_SUM, PAID_DATE, RETURNED,
        // RETUDATE, RETENT, PADAK
        Inserter contracts(store, Tab::Zmluvy);
        // WRK, NUMBER, X_UNTIL, X_PERCENT, X_PAID, X_PAIDDATE
        Inserter extensions(store, Tab::Predlz);
        // WRK, NUMBER, SUBJECT, VRATENE, PREDANE, PREPADNUTE, PRED_DATUM, PRED_SUMA, SUMA1, SUMA2
        Inserter goods(store, Tab::Inventar);

        const int spanYears = spanDays(counts.contracts) / 365;
        const QList<QString> pledgers = writePersons(rng, persons, counts.persons, today, spanYears, v.first);
        const QList<Plan> plans = planContracts(rng, counts, today, v.newest);

        for (qint64 i = 0; i < plans.size(); ++i) {
            const Plan& plan = plans.at(i);
            // The serial runs on across years and starts again at 1 after 99999.
            const QString number =
                u"%1/%2"_s.arg(plan.agreed.year() % 100, 2, 10, QChar(u'0')).arg(i % 99999 + 1, 5, 10, QChar(u'0'));
            const bool newest = i == plans.size() - 1;
            // Regular customers come back: the first persons pledge far more often than the last.
            qint64 who =
                std::min<qint64>(pledgers.size() - 1, qint64(double(pledgers.size()) * std::pow(rng.unit(), 1.6)));
            if (v.first == FirstPerson::WithoutContracts)
                who = std::max<qint64>(who, std::min<qint64>(1, pledgers.size() - 1));
            else if (newest)
                who = 0;
            const QString& pledger = pledgers.at(who);
            const QList<Item> items = makeItems(rng, plan.items, euro);
            int amount = 0;
            for (const Item& item : items)
                amount += item.pledge;
            const int percent = Percents[rng.below(std::size(Percents))];
            const int charge = euro ? int(Money::fromCents(amount).percentOf(percent).cents())
                                    : int(std::lround(double(amount) * percent / 100.0));

            // Each extension is paid on or a few days before the due date it replaces and runs a month.
            QDate due = plan.until;
            QDate lastStart = plan.agreed;
            for (int k = 0; k < plan.extensions; ++k) {
                const QDate paidOn = std::min(today, due.addDays(-rng.between(0, 3)));
                due = paidOn.addMonths(1);
                lastStart = paidOn;
                extensions.row({0, number, dateValue(due), double(percent), stored(charge), dateValue(paidOn)});
            }

            Outcome outcome;
            if (newest)
                outcome = v.newest == Newest::Paid || v.newest == Newest::PaidForfeited ? Outcome::Paid
                          : v.newest == Newest::ForfeitedSold                           ? Outcome::Forfeited
                                                                                        : Outcome::Current;
            else if (due >= today)
                outcome = rng.chance(plan.extensions > 0 ? 10 : 15) ? Outcome::Paid : Outcome::Current;
            else if (due.daysTo(today) <= 60)
                outcome = rng.chance(60) ? Outcome::Expired : Outcome::Paid;
            else
                outcome = rng.chance(65) ? Outcome::Paid : Outcome::Forfeited;

            QDate paidOn, returnedOn, forfeitedOn;
            if (newest && outcome == Outcome::Paid) {
                paidOn = today;
                if (v.newest == Newest::Paid) returnedOn = today;
            } else if (newest && outcome == Outcome::Forfeited) {
                forfeitedOn = std::min(today, plan.until.addDays(1));
            } else if (outcome == Outcome::Paid) {
                paidOn = due >= today
                             ? rng.dayBetween(lastStart, today)
                             : rng.dayBetween(std::max(lastStart, due.addDays(-10)), std::min(today, due.addDays(14)));
                if (rng.chance(92)) returnedOn = paidOn;
            } else if (outcome == Outcome::Forfeited) {
                forfeitedOn = due.addDays(rng.between(30, 60));
            }
            const bool paid = outcome == Outcome::Paid;
            // Paid, and later forfeited all the same: the register allows it, and the views must cope.
            if (newest && v.newest == Newest::PaidForfeited) forfeitedOn = today;
            const double paidSum = euro ? stored(amount + Money::fromCents(amount).percentOf(percent).cents())
                                        : amount + double(amount) * percent / 100.0;
            contracts.row({0, pledger, number, dateValue(plan.agreed), stored(amount), double(percent), plan.weeks,
                           dateValue(plan.until), paid ? 1 : 0, paid ? QVariant(paidSum) : QVariant(),
                           dateValue(paidOn), returnedOn.isValid() ? 1 : 0, dateValue(returnedOn),
                           plan.extensions > 0 ? 1 : 0, forfeitedOn.isValid() ? 1 : 0});

            for (const Item& item : items) {
                QDate soldOn;
                QVariant soldFor;
                if (newest && v.newest == Newest::ForfeitedSold) {
                    soldOn = today;
                    soldFor = stored(item.asking);
                } else if (!newest && forfeitedOn.isValid() && rng.chance(forfeitedOn.daysTo(today) > 90 ? 85 : 40)) {
                    soldOn = rng.dayBetween(forfeitedOn.addDays(1), today);
                    const double share = item.asking * rng.between(85, 100) / 100.0;
                    soldFor = stored(euro ? priceTo(share, 100) : roundTo(share, 10));
                }
                goods.row({0, number, item.subject, returnedOn.isValid() ? 1 : 0, soldOn.isValid() ? 1 : 0,
                           forfeitedOn.isValid() ? 1 : 0, dateValue(soldOn), soldFor, stored(item.pledge),
                           stored(item.asking)});
            }
        }
        // An import as any other in the trail, its source the demo set.
        Trail::recordMove(store, Trail::Action::Import, Trail::contractPeriod(store, {Tab::Zmluvy}),
                          {{Tab::Osoby, counts.persons},
                           {Tab::Zmluvy, counts.contracts},
                           {Tab::Inventar, counts.goods},
                           {Tab::Predlz, counts.extensions}},
                          {{u"source"_s, u"demo"_s}});
        transaction.commit();
    }
    store.touchAll();
    return counts;
}

} // namespace DemoData
