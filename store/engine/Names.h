#pragma once

#include <QString>

// The register's table and column names, written once: the definitions in Schema.cpp and every caller that names
// a field or a table use these, so a misspelt name fails to compile instead of failing at run time. Statement
// texts keep the names in their SQL.
namespace Col {
// Several tables
inline const QString WRK = QStringLiteral("WRK"); // the work mark a report's marking pass sets
inline const QString NUMBER = QStringLiteral("NUMBER");
inline const QString BIRTHNUM = QStringLiteral("BIRTHNUM");
inline const QString AMOUNT = QStringLiteral("AMOUNT");
inline const QString PAID_SUM = QStringLiteral("PAID_SUM");
inline const QString X_PAID = QStringLiteral("X_PAID");
inline const QString PRED_SUMA = QStringLiteral("PRED_SUMA");
// Zmluvy, Xzmluvy
inline const QString AGRDATE = QStringLiteral("AGRDATE");
inline const QString PERCENT = QStringLiteral("PERCENT");
inline const QString WEEKTIME = QStringLiteral("WEEKTIME");
inline const QString UNTIL = QStringLiteral("UNTIL");
inline const QString PAID = QStringLiteral("PAID");
inline const QString PAID_DATE = QStringLiteral("PAID_DATE");
inline const QString RETURNED = QStringLiteral("RETURNED");
inline const QString RETUDATE = QStringLiteral("RETUDATE");
inline const QString RETENT = QStringLiteral("RETENT");
inline const QString PADAK = QStringLiteral("PADAK");
// Predlz, Xpredlz
inline const QString X_UNTIL = QStringLiteral("X_UNTIL");
inline const QString X_PERCENT = QStringLiteral("X_PERCENT");
inline const QString X_PAIDDATE = QStringLiteral("X_PAIDDATE");
// Inventar, Xinvent
inline const QString SUBJECT = QStringLiteral("SUBJECT");
inline const QString VRATENE = QStringLiteral("VRATENE");
inline const QString PREDANE = QStringLiteral("PREDANE");
inline const QString PREPADNUTE = QStringLiteral("PREPADNUTE");
inline const QString PRED_DATUM = QStringLiteral("PRED_DATUM");
inline const QString SUMA1 = QStringLiteral("SUMA1");
inline const QString SUMA2 = QStringLiteral("SUMA2");
// Osoby
inline const QString BLACK = QStringLiteral("BLACK");
inline const QString LASTNAME = QStringLiteral("LASTNAME");
inline const QString FIRSNAME = QStringLiteral("FIRSNAME");
inline const QString IDCARD = QStringLiteral("IDCARD");
inline const QString STREET = QStringLiteral("STREET");
inline const QString STREETNO = QStringLiteral("STREETNO");
inline const QString CITY = QStringLiteral("CITY");
inline const QString REASON = QStringLiteral("REASON");
// Prijvyd
inline const QString DATE = QStringLiteral("DATE");
} // namespace Col

// A table by its SQL name (Zmluvy) and by the file name the register and DBF transfers know it by (ZmluvyDbf).
namespace Tab {
inline const QString Zmluvy = QStringLiteral("Zmluvy");
inline const QString Osoby = QStringLiteral("Osoby");
inline const QString Predlz = QStringLiteral("Predlz");
inline const QString Inventar = QStringLiteral("Inventar");
inline const QString Prijvyd = QStringLiteral("Prijvyd");
inline const QString Xzmluvy = QStringLiteral("Xzmluvy");
inline const QString Xpredlz = QStringLiteral("Xpredlz");
inline const QString Xinvent = QStringLiteral("Xinvent");
inline const QString ZmluvyDbf = QStringLiteral("Zmluvy.DBF");
inline const QString OsobyDbf = QStringLiteral("Osoby.DBF");
inline const QString PredlzDbf = QStringLiteral("Predlz.DBF");
inline const QString InventarDbf = QStringLiteral("Inventar.DBF");
inline const QString PrijvydDbf = QStringLiteral("Prijvyd.dbf");
inline const QString XzmluvyDbf = QStringLiteral("Xzmluvy.DBF");
inline const QString XpredlzDbf = QStringLiteral("Xpredlz.DBF");
inline const QString XinventDbf = QStringLiteral("Xinvent.DBF");
} // namespace Tab
