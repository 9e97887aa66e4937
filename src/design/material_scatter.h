#pragma once
// The materials of the design in hand with their sieve analyses (ANALIZ), and the settings of
// the reliability computation, for the grading window's reliability figures.
#include "design/reliability.h"

#include <QString>

namespace material_scatter {

// The analyses of one material ("SPLIT" ... and its name), newest first. The ANALIZ buffer is
// left as it was.
std::vector<sieves::Grading> analysesOf(const QString &materialFile, const FixedString<20> &name);

// The NKOMP components of the design state: each one's grading (DIMKOMP) and the analyses of
// the material it came from (none for a component of unknown origin).
std::vector<reliability::Material> designMaterials();

// The program's settings: "reliability/draws" (10000), "reliability/seed" and
// "reliability/sigma" (eleven numbers, 40 .. 0.071 mm, separated by spaces or ';').
reliability::Settings settings();

} // namespace material_scatter
