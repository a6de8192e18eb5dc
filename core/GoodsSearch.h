#pragma once

#include <QString>

class Table;

// The search for pledged goods by their description, shared by the search window and mervana-admin.
namespace GoodsSearch {

// The view of the hits and the goods window's caption over it.
QString filter();  // "WRK = True"
QString caption(); // "Hľadané založené predmety"

// Whether text occurs in subject, both in upper case with Unicode case mapping: "zlat" is found in
// "Zlatý prsteň" and in "ZLATÁ RETIAZKA". upperText is the search text already in upper case.
bool matches(const QString& subject, const QString& upperText);

// Sets WRK of every goods record: true where SUBJECT holds text, false elsewhere. Record by record
// through goods with its filter switched off, all marks in one transaction (all of them or none); the
// screen keeps painting through the event pump. Returns the number of hits; goods stays unfiltered.
qint64 mark(Table& goods, const QString& text);

// mark(), then goods shows the hits.
qint64 markAndShow(Table& goods, const QString& text);

} // namespace GoodsSearch
