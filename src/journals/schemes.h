#pragma once
// The pictures of the test journals and their protocols, drawn as charts so that a form and a
// printed page show the same lines: the hydrostatic weighing, the shear test and the
// laboratory's emblem.
#include "framework/chart.h"
#include "framework/report_engine.h"

namespace schemes {

// A balance: a specimen weighed in air (left pan) and in a beaker of water (right).
Chart weighingScheme();
// The two compression schemes of the shear test: unconfined and in a closed die.
Chart shearScheme();
// A laboratory flask in a ring.
Chart laboratoryEmblem();

// Puts `chart` into `band`, scaled to `rectMm` (its proportions kept, centred).
void drawChart(ReportBand &band, const Chart &chart, const QRectF &rectMm);

} // namespace schemes
