#include "windows/services/FigureWindow.h"

#include "store/EventPump.h"
#include "widgets/Frame.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

FigureWindow::FigureWindow(Frame* main, const QString& name, const QString& caption)
    : QDialog(main->frameWidget(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_main(main)
{
    setObjectName(name);
    setWindowTitle(caption);
    setModal(false);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(u"Panel1"_s);
    Panel1->setFrameShape(QFrame::StyledPanel);
    BitBtn1 = new QPushButton(u"&OK"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addWidget(BitBtn1, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a fixed border
}

void FigureWindow::styleFigure(QLabel* label)
{
    QFont font = label->font();
    font.setPixelSize(13);
    font.setBold(true);
    font.setItalic(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    label->setPalette(palette);
}

bool FigureWindow::event(QEvent* event)
{
    const EventPump::HoldFor hold(event);
    return QDialog::event(event);
}
