#pragma once
// The road-climatic zone test results are judged for when no report asks for one (the test
// journal's column "Соответствие", the control charts): the zone last chosen in the filter of
// the standard's requirements (the global DKZ), kept in the program's settings between runs.
#include <QString>

namespace conformity_zone {

// DKZ when it is set, else the zone saved by an earlier run, else "I" (the filter's first choice).
QString current();
// Remembers a zone chosen in the filter (and sets DKZ).
void choose(const QString &zone);

} // namespace conformity_zone
