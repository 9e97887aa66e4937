#pragma once
// PROT_REG, the printed list of climate regions: its page layout and its detail line (from the
// USL record buffer). The procedure that runs it is in climate_window.
#include "framework/report_engine.h"

namespace climate_regions_report {

// "Список регионов"
QString title();
// Page header (title and column captions) and footer ("Page " n).
ReportDocument::Layout layout();
// One line for the region in USL: name, zone, minimum and maximum temperature.
ReportBand detail();
// The report: USLOV in region order, every record, count-based progress.
ReportRun::Definition run();

} // namespace climate_regions_report
