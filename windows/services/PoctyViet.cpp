#include "windows/services/PoctyViet.h"

#include "core/Shop.h"
#include "core/Statistics.h"
#include "widgets/Frame.h"
#include "windows/services/Archiv.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

TForm19::TForm19(Frame* main) : FigureWindow(main, u"TForm19"_s, u"Počty viet v databázach"_s)
{
    auto* grid = new QGridLayout(Panel1);
    const QString captions[] = {u"Zmluvy"_s,          u"Osoby"_s,        u"Inventár (predmety)"_s,
                                u"Predĺženia"_s,      u"Archív zmlúv"_s, u"Archív predmetov"_s,
                                u"Archív predĺžení"_s};
    QLabel** names[] = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6, &Label7};
    QLabel** values[] = {&Label8, &Label9, &Label10, &Label11, &Label12, &Label13, &Label14};
    for (int i = 0; i < 7; ++i) {
        QLabel* name = *names[i] = new QLabel(captions[i], Panel1);
        name->setObjectName(u"Label%1"_s.arg(i + 1));
        QLabel* value = *values[i] = new QLabel(Panel1);
        value->setObjectName(u"Label%1"_s.arg(i + 8));
        styleFigure(value);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(u"99999999"_s));
        grid->addWidget(name, i, 0);
        grid->addWidget(value, i, 1);
    }
}

void TForm19::Count(TForm18& archive)
{
    Shop& shop = m_main->shop();
    const Statistics::RecordCounts c = Statistics::countRecords(*shop.Table1, *shop.Table2, *shop.Table4, *shop.Table3,
                                                                *archive.Table1, *archive.Table3, *archive.Table2);
    const std::pair<QLabel*, int> figures[] = {{Label8, c.contracts},
                                               {Label9, c.persons},
                                               {Label10, c.goods},
                                               {Label11, c.extensions},
                                               {Label12, c.archivedContracts},
                                               {Label13, c.archivedGoods},
                                               {Label14, c.archivedExtensions}};
    for (const auto& [label, count] : figures)
        label->setText(QString::number(count));
}
