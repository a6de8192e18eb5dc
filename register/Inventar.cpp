#include "register/Inventar.h"

#include "app/Main.h"
#include "store/Table.h"

using namespace Qt::Literals::StringLiterals;

TForm4::TForm4(TForm1* main) : QWidget(nullptr), m_main(main)
{
    setObjectName(u"TForm4"_s);
    setWindowTitle(u"Založené predmety"_s);
    Table1 = new Table(main->store(), u"Inventar.DBF"_s, this);
    Table1->setObjectName(u"Table1"_s);
    Table1->setIndexName(u"NUMBER"_s);
    Table1->open();
}

TForm4::~TForm4() = default;
