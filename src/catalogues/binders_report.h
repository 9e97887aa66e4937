#pragma once
// PROTBIT, the protocol of all binders: a table of the BIT record buffer (its page layout and
// detail line). The procedure that runs it is in binders_report_window.
#include "framework/report_engine.h"

namespace binders_report {

// "Физико-механические свойства битумов"
QString title();
// Page header (title and column captions) and footer ("Page " n).
ReportDocument::Layout layout();
// One line for the binder in BIT.
ReportBand detail();
// The report: BITUMEN in physical order, every record, count-based progress.
ReportRun::Definition run();

} // namespace binders_report
