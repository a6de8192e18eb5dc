#include "register/Predlz.h"

#include "app/Main.h"
#include "store/Table.h"

using namespace Qt::Literals::StringLiterals;

TForm7::TForm7(TForm1* main) : QWidget(nullptr), m_main(main)
{
    setObjectName(u"TForm7"_s);
    setWindowTitle(u"Predĺženia"_s);
    Table1 = new Table(main->store(), u"Predlz.DBF"_s, this);
    Table1->setObjectName(u"Table1"_s);
    Table1->setIndexName(u"NUMBER"_s);
    Table1->open();
}

TForm7::~TForm7() = default;
