#include "print/TlacInvent.h"

using namespace Qt::Literals::StringLiterals;

TForm15::TForm15(Store& store, QObject* parent)
    : ListReport(store, u"TForm15"_s, u"Inventar.DBF"_s, u"NUMBER"_s,
                 {u"Štatistika inventárnych predmetov"_s, u"Založené predmety"_s, 30, 23}, parent)
{
    addColumn(2, u"Zmluva"_s, u"NUMBER"_s);
    addColumn(17, u"Predmet"_s, u"SUBJECT"_s);
    addColumn(59, u"Dátum pred."_s, u"PRED_DATUM"_s);
    addColumn(83, u"Suma pred."_s, u"PRED_SUMA"_s);
    addColumn(104, u"Predané"_s, u"PREDANE"_s);
    addColumn(120, u"Prepadnuté"_s, u"PREPADNUTE"_s);
    addColumn(139, u"Vrátené"_s, u"VRATENE"_s);
    addColumn(156, u"Suma 1"_s, u"SUMA1"_s);
    addColumn(171, u"Suma 2"_s, u"SUMA2"_s);
}
