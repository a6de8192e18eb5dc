#pragma once

#include <QWidget>

class Frame;
class ShopReport;

// A report window of the register: never shown itself, only its report in the preview. Made on first use
// through the frame's registry and kept until exit, with the report and the report's own table inside.
class ReportForm : public QWidget
{
    Q_OBJECT
public:
    ~ReportForm() override;

    // Shows the report in the modal preview; returns when the preview is closed.
    void Preview();

protected:
    ReportForm(Frame* frame, const QString& name, const QString& caption);
    // The report, made over the frame's shop; the window owns it from here.
    void setReport(ShopReport* report);

    Frame* m_main;

private:
    ShopReport* m_report = nullptr;
};
