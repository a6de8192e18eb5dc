#include "register/Osoby.h"

#include "app/Main.h"
#include "store/Table.h"

using namespace Qt::Literals::StringLiterals;

TForm3::TForm3(TForm1* main) : QWidget(nullptr), m_main(main)
{
    setObjectName(u"TForm3"_s);
    setWindowTitle(u"Záložcovia"_s);
    Table1 = new Table(main->store(), u"Osoby.DBF"_s, this);
    Table1->setObjectName(u"Table1"_s);
    Table1->setIndexName(u"LASTNAME"_s);
    Table1->open();
}

TForm3::~TForm3() = default;
