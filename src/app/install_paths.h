#pragma once
// Where the program finds what it ships beside it: the sample data and the guide. Installed,
// they are in <prefix>/share/asphalt next to <prefix>/bin; run from a build tree (build/ in the
// source tree), they are the source tree's data/seed and docs/guide.
#include <QString>

// The folder of the sample data (one CSV per data file), or empty when it is not found.
QString seedFolder();
// The folder of the guide (index.md and its sections), or empty when it is not found.
QString guideFolder();
