#include "widgets/PageSetup.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QPageSize::PageSizeId Papers[] = {QPageSize::A4, QPageSize::A5,     QPageSize::A3,
                                            QPageSize::B5, QPageSize::Letter, QPageSize::Legal};

} // namespace

PageSetup::PageSetup(QPrinter& printer, QWidget* parent) : QDialog(parent), m_printer(printer)
{
    setObjectName(u"PageSetup"_s);
    setWindowTitle(u"Nastavenie strany"_s);
    const QPageLayout layout = printer.pageLayout();

    PaperBox = new QComboBox(this);
    PaperBox->setObjectName(u"PaperBox"_s);
    for (QPageSize::PageSizeId id : Papers)
        PaperBox->addItem(QPageSize::name(id), int(id));
    const int current = PaperBox->findData(int(layout.pageSize().id()));
    PaperBox->setCurrentIndex(current < 0 ? 0 : current);

    auto* orientation = new QGroupBox(u"Orientácia"_s, this);
    Portrait = new QRadioButton(u"Na &výšku"_s, orientation);
    Portrait->setObjectName(u"Portrait"_s);
    Landscape = new QRadioButton(u"Na &šírku"_s, orientation);
    Landscape->setObjectName(u"Landscape"_s);
    (layout.orientation() == QPageLayout::Landscape ? Landscape : Portrait)->setChecked(true);
    auto* orientationLayout = new QHBoxLayout(orientation);
    orientationLayout->addWidget(Portrait);
    orientationLayout->addWidget(Landscape);

    const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
    const auto margin = [this](const QString& name, double value) {
        auto* box = new QDoubleSpinBox(this);
        box->setObjectName(name);
        box->setRange(0, 100);
        box->setDecimals(1);
        box->setSuffix(u" mm"_s);
        box->setValue(value);
        return box;
    };
    LeftMargin = margin(u"LeftMargin"_s, margins.left());
    TopMargin = margin(u"TopMargin"_s, margins.top());
    RightMargin = margin(u"RightMargin"_s, margins.right());
    BottomMargin = margin(u"BottomMargin"_s, margins.bottom());

    auto* form = new QFormLayout;
    form->addRow(u"&Papier:"_s, PaperBox);
    form->addRow(orientation);
    form->addRow(u"Ľavý okraj:"_s, LeftMargin);
    form->addRow(u"Horný okraj:"_s, TopMargin);
    form->addRow(u"Pravý okraj:"_s, RightMargin);
    form->addRow(u"Dolný okraj:"_s, BottomMargin);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(u"&OK"_s, QDialogButtonBox::AcceptRole);
    ok->setObjectName(u"BitBtn1"_s);
    QPushButton* cancel = buttons->addButton(u"&Storno"_s, QDialogButtonBox::RejectRole);
    cancel->setObjectName(u"BitBtn2"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        apply();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* main = new QVBoxLayout(this);
    main->addLayout(form);
    main->addWidget(buttons);
}

void PageSetup::apply()
{
    const QPageSize size(QPageSize::PageSizeId(PaperBox->currentData().toInt()));
    const QPageLayout layout(
        size, Landscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait,
        QMarginsF(LeftMargin->value(), TopMargin->value(), RightMargin->value(), BottomMargin->value()),
        QPageLayout::Millimeter);
    m_printer.setPageLayout(layout);
}

void ShowPageSetup(QPrinter& printer, QWidget* parent)
{
    if (printer.outputFormat() == QPrinter::NativeFormat) {
        QPageSetupDialog dialog(&printer, parent);
        dialog.exec();
        return;
    }
    PageSetup dialog(printer, parent);
    dialog.exec();
}
