#include "windows/services/About.h"

#include "store/admin/EngineConfig.h"
#include "widgets/Frame.h"
#include "widgets/Guard.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

#ifndef MERVANA_VERSION
#define MERVANA_VERSION ""
#endif

TForm21::TForm21(Frame* main)
    : QDialog(main->frameWidget(),
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(u"TForm21"_s);
    setWindowTitle(u"O programe..."_s);
    setModal(false);

    auto* panel = new QFrame(this);
    panel->setObjectName(u"Panel1"_s);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);

    Label1 = new QLabel(u"Program"_s, panel);
    Label1->setObjectName(u"Label1"_s);
    Label2 = new QLabel(u"Mervana KORVEL!"_s, panel);
    Label2->setObjectName(u"Label2"_s);
    QFont bold = Label2->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.5);
    Label2->setFont(bold);
    Image1 = new QLabel(panel);
    Image1->setObjectName(u"Image1"_s);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_DriveHDIcon).pixmap(32, 32));
    Label12 = new QLabel(u"verzia zo súboru"_s, panel);
    Label12->setObjectName(u"Label12"_s);
    Label13 = new QLabel(u"verzia z exe"_s, panel);
    Label13->setObjectName(u"Label13"_s);
    Label14 = link(u"Label14"_s);
    Label15 = link(u"Label15"_s);

    auto* name = new QHBoxLayout;
    name->addWidget(Label2);
    name->addWidget(Image1);
    name->addStretch(1);
    auto* content = new QVBoxLayout(panel);
    content->addWidget(Label1);
    content->addLayout(name);
    content->addWidget(Label12);
    content->addWidget(Label13);
    content->addSpacing(8);
    content->addWidget(Label14);
    content->addWidget(Label15);

    BitBtn1 = new QPushButton(u"&OK"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::close);
    auto* bottom = new QHBoxLayout;
    bottom->setObjectName(u"Panel2"_s);
    bottom->addStretch(1);
    bottom->addWidget(BitBtn1);
    bottom->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QLabel* TForm21::link(const QString& name)
{
    auto* label = new QLabel(this);
    label->setObjectName(name);
    QFont underlined = label->font();
    underlined.setUnderline(true);
    label->setFont(underlined);
    QPalette blue = label->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(blue);
    label->setCursor(Qt::PointingHandCursor); // the arrow comes back over the panel by itself
    label->installEventFilter(this);
    label->hide();
    return label;
}

QString TForm21::BuildVersion()
{
    return QString::fromLatin1(MERVANA_VERSION);
}

QString TForm21::ExeVersionText(const QString& version)
{
    const QStringList parts = version.trimmed().split(u'.');
    int numbers[4] = {0, 0, 0, 0};
    bool ok = !version.trimmed().isEmpty() && parts.size() <= 4;
    for (int i = 0; ok && i < parts.size(); ++i) {
        // Each number of a file version is 16 bits.
        const uint n = parts.at(i).toUInt(&ok);
        ok = ok && n <= 65535;
        if (ok) numbers[i] = int(n);
    }
    if (!ok) return u"(EXE )"_s;
    return u"(EXE %1.%2.%3.%4)"_s.arg(numbers[0]).arg(numbers[1]).arg(numbers[2]).arg(numbers[3]);
}

void TForm21::ShowAbout(const QString& versionText)
{
    Label12->setText(versionText);
    Label13->setText(ExeVersionText(BuildVersion()));
    // Addresses of the installation's support; no address is shown that nobody configured.
    const QString mail = EngineConfig::supportMail();
    const QString web = EngineConfig::supportWeb();
    Label14->setText(mail);
    Label14->setVisible(!mail.isEmpty());
    Label15->setText(web);
    Label15->setVisible(!web.isEmpty());
    show();
    raise();
    activateWindow();
}

void TForm21::openLink(const QLabel* label)
{
    const QString address = label->text();
    if (address.isEmpty()) return;
    QUrl url = QUrl::fromUserInput(address);
    if (label == Label14 && !address.startsWith(u"mailto:"_s, Qt::CaseInsensitive)) url = QUrl(u"mailto:"_s + address);
    QDesktopServices::openUrl(url);
}

bool TForm21::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == Label14 || watched == Label15) && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        guarded([&] { openLink(static_cast<QLabel*>(watched)); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
