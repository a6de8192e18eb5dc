#pragma once

#include <QPrinter>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QPrintPreviewDialog;
class QPrintPreviewWidget;
class QWidget;
class Report;

// The preview of a report: page through, zoom, choose a printer and print, or save the report as PDF.
// Every opening lays the report out afresh from its data set.
class ReportPreview
{
public:
    ReportPreview(Report& report, QWidget* parent = nullptr);
    ~ReportPreview();
    ReportPreview(const ReportPreview&) = delete;
    ReportPreview& operator=(const ReportPreview&) = delete;

    // Shows the report in a modal preview; returns when the preview is closed.
    static void show(Report& report, QWidget* parent = nullptr);

    QPrintPreviewDialog& dialog() { return *m_dialog; }
    Report& report() const { return m_report; }
    QPrintPreviewWidget* widget() const;
    QAction* SavePdf = nullptr; // "Uložiť ako PDF"

    // Asks for a file and writes the report into it as PDF.
    void SavePdfClick();

    // Test hooks. While a script is set, show() hands the open preview to it instead of waiting for the
    // user; while a chooser is set, it names the PDF file instead of the file dialog (empty: cancelled).
    using Script = std::function<void(ReportPreview&)>;
    static void setScript(Script script);
    using FileChooser = std::function<QString(const QString& suggested)>;
    static void setFileChooser(FileChooser chooser);

private:
    Report& m_report;
    QPrinter m_printer;
    std::unique_ptr<QPrintPreviewDialog> m_dialog; // after the printer: goes before it
};
