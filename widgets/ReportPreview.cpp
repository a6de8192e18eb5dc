#include "widgets/ReportPreview.h"

#include "reports/Report.h"
#include "reports/ReportPainter.h"
#include "store/EventPump.h"
#include "widgets/Guard.h"
#include "widgets/Messages.h"
#include "widgets/WaitCursor.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>

using namespace Qt::Literals::StringLiterals;

namespace {

ReportPreview::Script script;
ReportPreview::FileChooser chooser;

// Qt's preview walks its widgets while it shows, paints and lays out; no pending events may run then.
class PreviewDialog : public QPrintPreviewDialog
{
public:
    using QPrintPreviewDialog::QPrintPreviewDialog;

protected:
    bool event(QEvent* e) override
    {
        const EventPump::HoldFor hold(e);
        return QPrintPreviewDialog::event(e);
    }
};

} // namespace

ReportPreview::ReportPreview(Report& report, QWidget* parent) : m_report(report), m_printer(QPrinter::HighResolution)
{
    m_printer.setDocName(report.title);
    m_printer.setPageLayout(report.pageLayout());
    m_dialog = std::make_unique<PreviewDialog>(&m_printer, parent);
    m_dialog->setObjectName(u"ReportPreview"_s);
    m_dialog->setWindowTitle(report.title);
    // As large as the frame, the page as wide as the window: a list is read across, not as a thumbnail.
    if (parent && parent->window()->isVisible()) m_dialog->resize(parent->window()->size());
    if (QPrintPreviewWidget* view = widget()) view->fitToWidth();
    QObject::connect(m_dialog.get(), &QPrintPreviewDialog::paintRequested, m_dialog.get(), [this](QPrinter* printer) {
        guarded([&] {
            // The preview lays its pages out while it shows itself.
            const EventPump::Hold hold;
            WaitCursor wait;
            const QString file = printer->outputFileName();
            ReportPainter::print(m_report, *printer,
                                 file.isEmpty() ? printer->printerName()
                                                : QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()));
        });
    });

    SavePdf = new QAction(u"Uložiť ako PDF"_s, m_dialog.get());
    SavePdf->setObjectName(u"SavePdf"_s);
    SavePdf->setToolTip(u"Uložiť ako PDF"_s);
    if (auto* bar = m_dialog->findChild<QToolBar*>()) {
        bar->addSeparator();
        bar->addAction(SavePdf);
    } else {
        m_dialog->addAction(SavePdf);
    }
    QObject::connect(SavePdf, &QAction::triggered, m_dialog.get(), [this] { guarded([this] { SavePdfClick(); }); });
}

ReportPreview::~ReportPreview() = default;

QPrintPreviewWidget* ReportPreview::widget() const
{
    return m_dialog->findChild<QPrintPreviewWidget*>();
}

void ReportPreview::show(Report& report, QWidget* parent)
{
    ReportPreview preview(report, parent);
    if (script) {
        script(preview);
        return;
    }
    preview.dialog().exec();
}

void ReportPreview::SavePdfClick()
{
    const QString suggested = m_report.title + u".pdf"_s;
    // The dialog would ask about the name as typed, before the suffix is added: the question is ours.
    QString file = chooser ? chooser(suggested)
                           : QFileDialog::getSaveFileName(m_dialog.get(), u"Uložiť ako PDF"_s, suggested,
                                                          u"PDF (*.pdf)"_s, nullptr, QFileDialog::DontConfirmOverwrite);
    if (file.isEmpty()) return;
    if (QFileInfo(file).suffix().isEmpty()) file += u".pdf"_s;
    if (QFileInfo::exists(file) &&
        !Messages::question(u"Súbor %1 už existuje.\rChcete ho nahradiť?"_s.arg(QDir::toNativeSeparators(file))))
        return;
    WaitCursor wait;
    ReportPainter::writePdf(m_report, file);
}

void ReportPreview::setScript(Script s)
{
    script = std::move(s);
}

void ReportPreview::setFileChooser(FileChooser c)
{
    chooser = std::move(c);
}
