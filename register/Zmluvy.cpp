#include "register/Zmluvy.h"

#include "app/Main.h"
#include "store/Table.h"

using namespace Qt::Literals::StringLiterals;

TForm2::TForm2(TForm1* main) : QWidget(nullptr), m_main(main)
{
    setObjectName(u"TForm2"_s);
    setWindowTitle(u"Zmluvy"_s);
    Table1 = new Table(main->store(), u"Zmluvy.DBF"_s, this);
    Table1->setObjectName(u"Table1"_s);
    Table1->setIndexName(u"NUMBER"_s);
    Table1->open();
}

TForm2::~TForm2() = default;
