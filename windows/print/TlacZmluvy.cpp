#include "windows/print/TlacZmluvy.h"

#include "widgets/PageSetup.h"

#include "core/ContractTemplate.h"
#include "core/Shop.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/engine/Names.h"
#include "widgets/Frame.h"
#include "widgets/Guard.h"
#include "widgets/MaskEdit.h"
#include "widgets/Messages.h"
#include "windows/register/Zmluvy.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPageLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString TemplateFile = u"ZMLUVA.TXT"_s;
}

TForm6::TForm6(Frame* main) : QWidget(nullptr), m_main(main)
{
    setObjectName(u"TForm6"_s);
    setWindowTitle(u"Tlač zmluvy"_s);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(u"Memo1"_s);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(u"Courier New"_s);
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(15);
    Memo1->setFont(font);
    Memo1->setStyleSheet(u"QPlainTextEdit { padding-left: 9px; }"_s); // the narrow empty strip at the left edge

    BitBtn1 = new QPushButton(u"&Tlač"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn2 = new QPushButton(u"&Storno"_s, this);
    BitBtn2->setObjectName(u"BitBtn2"_s);
    BitBtn2->setEnabled(false);
    BitBtn3 = new QPushButton(u"&Font"_s, this);
    BitBtn3->setObjectName(u"BitBtn3"_s);
    BitBtn4 = new QPushButton(u"&Nastavenia"_s, this);
    BitBtn4->setObjectName(u"BitBtn4"_s);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {BitBtn1, BitBtn2, BitBtn3, BitBtn4})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Memo1, 1);
    layout->addLayout(buttons);

    m_dialogFont = QFont(u"MS Sans Serif"_s, 8);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn3Click(); }); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn4Click(); }); });
    connect(main->mdiArea(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
        if (sub && sub->widget() == this) guarded([this] { BuildContractText(); });
    });
}

TForm6::~TForm6()
{
    delete m_printer;
}

QPrinter& TForm6::printer()
{
    if (!m_printer) m_printer = new QPrinter(QPrinter::HighResolution);
    return *m_printer;
}

void TForm6::BuildContractText()
{
    QFile file(TemplateFile);
    if (!file.open(QIODevice::ReadOnly)) {
        // The box keeps what it holds.
        throw MervanaError(file.error() == QFileDevice::OpenError && !file.exists() ? u"File not found"_s
                                                                                    : file.errorString());
    }
    const QStringList lines = ContractTemplate::decode(file.readAll());
    file.close();

    TForm2* contracts = m_main->form2();
    ContractTemplate::Data data;
    data.number = contracts->Edit1->text();
    data.date = contracts->MaskEdit1->text();
    data.pledgerName = contracts->Edit7->text() + u' ' + contracts->Edit8->text();
    data.birthNumber = contracts->Edit2->text();
    data.amountText = contracts->Edit3->text();
    data.percent = contracts->Edit4->text();
    data.weeks = contracts->Edit5->text();
    data.until = contracts->MaskEdit2->text();
    data.currency = m_main->shop().store().currency();

    // Without a person for this birth number the identity card and address stay empty rather than
    // printing whoever the persons cursor happens to stand on.
    Table* persons = m_main->shop().Table2;
    if (persons->findKey(data.birthNumber)) {
        data.idCard = persons->field(Col::IDCARD).asString();
        data.address = persons->field(Col::STREET).asString() + u' ' + persons->field(Col::STREETNO).asString() + u' ' +
                       persons->field(Col::CITY).asString();
    }
    Table* goods = m_main->shop().Table4;
    if (goods->findKey(data.number)) {
        while (!goods->eof() && goods->field(Col::NUMBER).asString() == data.number) {
            data.items << goods->field(Col::SUBJECT).asString();
            goods->next();
        }
    }

    Memo1->hide();
    Memo1->clear();
    QStringList out;
    try {
        ContractTemplate::fill(lines, data, out);
    } catch (...) {
        // Show what was built up to the bad amount rather than an empty, hidden box.
        Memo1->setPlainText(out.join(u'\n'));
        Memo1->show();
        throw;
    }
    Memo1->setPlainText(out.join(u'\n'));
    Memo1->show();
}

void TForm6::PrintLines(QPrinter& printer)
{
    keepPrintableMargins(printer);
    QPainter painter;
    if (!painter.begin(&printer)) throw MervanaError(u"Printer is not ready"_s);
    QFont font = Memo1->font();
    // A size in screen pixels would shrink to nothing at printer resolution: print the same size in points.
    if (font.pixelSize() > 0) font.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
    painter.setFont(QFont(font, &printer));
    const QFontMetrics metrics = painter.fontMetrics();
    const int pageHeight = printer.pageLayout().paintRectPixels(printer.resolution()).height();
    int y = 0;
    const QStringList lines = Memo1->toPlainText().split(u'\n');
    for (const QString& line : lines) {
        if (y + metrics.height() > pageHeight && y > 0) {
            printer.newPage();
            y = 0;
        }
        painter.drawText(0, y + metrics.ascent(), line);
        y += metrics.lineSpacing();
    }
    painter.end();
}

void TForm6::keepPrintableMargins(QPrinter& printer)
{
    // Most printers cannot print at the very edge; one that does not say where it can gets a safe 10 mm.
    constexpr double Unspecified = 10;
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    const QMarginsF floor = layout.minimumMargins();
    const QMarginsF least = floor.isNull() ? QMarginsF(Unspecified, Unspecified, Unspecified, Unspecified) : floor;
    const QMarginsF now = layout.margins();
    const QMarginsF kept(std::max(now.left(), least.left()), std::max(now.top(), least.top()),
                         std::max(now.right(), least.right()), std::max(now.bottom(), least.bottom()));
    if (kept != now) printer.setPageMargins(kept, QPageLayout::Millimeter);
}

void TForm6::BitBtn1Click()
{
    QPrintDialog dialog(&printer(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    PrintLines(printer());
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!sub) return void(close());
    const bool maximised = sub->isMaximized();
    sub->showMinimized();
    // The MDI area shows the window it activates next maximised only while the active one was: after a
    // minimised one it would fall back to its small normal size, and every other window after it.
    QMdiArea* area = m_main->mdiArea();
    if (!area->activeSubWindow() || area->activeSubWindow() == sub) area->activatePreviousSubWindow();
    if (QMdiSubWindow* next = area->activeSubWindow(); maximised && next && next != sub) next->showMaximized();
}

void TForm6::BitBtn3Click()
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, m_dialogFont, this);
    if (!ok) return;
    m_dialogFont = chosen;
    Memo1->hide();
    Memo1->setFont(chosen);
    Memo1->show();
}

void TForm6::BitBtn4Click()
{
    ShowPageSetup(printer(), this);
}

void OpenTemplateInEditor()
{
    // The desktop's opener runs in a folder of its own: a relative name means nothing there.
    const QString path = QFileInfo(TemplateFile).absoluteFilePath();
#ifdef Q_OS_WIN
    const bool opened = QProcess::startDetached(u"NOTEPAD.EXE"_s, {QDir::toNativeSeparators(path)});
#else
    const bool opened = QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
    if (!opened)
        Messages::warning(
            u"Text zmluvy sa nepodarilo otvoriť v editore.\rSúbor: %1"_s.arg(QDir::toNativeSeparators(path)));
}
