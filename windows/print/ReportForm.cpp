#include "windows/print/ReportForm.h"

#include "reports/ShopReport.h"
#include "widgets/Frame.h"
#include "widgets/ReportPreview.h"

ReportForm::ReportForm(Frame* frame, const QString& name, const QString& caption) : QWidget(nullptr), m_main(frame)
{
    setObjectName(name);
    setWindowTitle(caption);
}

ReportForm::~ReportForm() = default;

void ReportForm::setReport(ShopReport* report)
{
    report->setParent(this);
    m_report = report;
}

void ReportForm::Preview()
{
    ReportPreview::show(m_report->QuickRep1, m_main->frameWidget());
}
