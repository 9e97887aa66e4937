#pragma once
// The grading window PODBORSUM "Зерновой состав минеральной части": the shares the search
// found, corrected by hand with a balancing component, the designed grading against the band
// with its chart and deviation; "Далее" hands the blend on to the bitumen step BITUMRASZ.
#include "framework/chart.h"
#include "framework/form_window.h"

const FormDecl &podborsumDecl();
FormWindow *PODBORSUM(WindowHost host = {});

// The chart of the designed grading against the band, in window units: a frame 150 x 90 whose
// top left corner is at (185, 5), the chart's units starting at window unit (180, 0); with the
// 5..95 % envelope of the blend under the materials' scatter (green) when `low` and `high` are given.
Chart gradingChart(const std::array<REAL, 11> &proekt, const std::array<std::array<REAL, 2>, 11> &zrn,
                   const std::array<REAL, 11> *low = nullptr, const std::array<REAL, 11> *high = nullptr);
inline constexpr unsigned kEnvelopeColour = 0x00A000;
