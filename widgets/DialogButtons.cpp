#include "widgets/DialogButtons.h"

#include <QHBoxLayout>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

QHBoxLayout* stornoOkButtons(QWidget* dialog, QPushButton*& storno, QPushButton*& ok)
{
    storno = new QPushButton(u"&Storno"_s, dialog);
    storno->setObjectName(u"BitBtn1"_s);
    ok = new QPushButton(u"&OK"_s, dialog);
    ok->setObjectName(u"BitBtn2"_s);
    ok->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(storno);
    row->addWidget(ok);
    return row;
}
