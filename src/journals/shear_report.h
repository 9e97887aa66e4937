#pragma once
// RPTSD, the protocol of the shear-resistance check: one page per mechanical-test record of the
// recipe NUMMER, for the operating conditions left in the globals by FILTER1. The procedure
// that asks for the conditions and runs it is in shear_window.
#include "framework/report_engine.h"
#include "journals/shear_check.h"

namespace shear_report {

// "ПРОТОКОЛ"
QString title();
// A portrait page; no header or footer of its own.
ReportDocument::Layout layout();

// The operating conditions now in the globals.
lab::OperatingConditions conditionsInGlobals();

// Runs the calculation for the record in GUR: leaves TAUMAX, GAMMA, TSUMMA and REZUME in the
// globals ("не определено" and GAMMA 0 when the record's values lie outside the calculation's
// domain) and returns the result.
lab::ShearResult computeRecord();

// The page of the record in GUR after computeRecord(); `zone` is the road-climatic zone of the
// region REGION.
ReportBand detail(const lab::ShearResult &result, const QString &zone);

// The report: GUR in recipe order, the records of the recipe NUMMER.
ReportRun::Definition run();

} // namespace shear_report
