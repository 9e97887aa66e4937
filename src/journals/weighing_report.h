#pragma once
// PROTGIDR_PODBOR, the protocol of the hydrostatic weighing: one page for the weighing record in
// OBR with the porosities from the recipe's bitumen content JBITGL and the true density YMINER
// of its mineral part. The procedure that runs it is in weighing_window.
#include "framework/report_engine.h"

namespace weighing_report {

// "Протокол испытания образцов при подборе смеси"
QString title();
// A portrait page; no header or footer of its own.
ReportDocument::Layout layout();
// The page of the record in OBR.
ReportBand detail();
// The report: OBRGIDRO in number order, the records of the recipe NUMMER.
ReportRun::Definition run();

} // namespace weighing_report
