#pragma once
// Sample reference data: one CSV file per data file (NORMA.csv, SPLIT.csv, ...), loaded into
// the data files of the current data directory through the record buffers.
//
// A CSV file starts with a header row of the storage column names (NUM, ZRN_1 .. ZRN_11,
// DNORM2_1_1, ...); a column left out of the header gets 0 or blank text. Cells are separated
// by ',' (or by ';' when the header row holds no ','), and quoted as usual ("a, b", "say ""x""").
// Numbers take '.' or ',' as the decimal point; texts are stored as written.
#include <QString>

// Creates each data file that has a CSV in seedDir when it is missing, and adds the CSV's
// records to it, one transaction per file. Every CSV is read and checked before anything is
// written: a value that does not fit its field (a text too long or outside Windows-1251, a
// number out of range, a fraction in a whole-number field, more decimals than a DECIMAL holds)
// refuses the whole seed with the file, line and column in *error, and nothing is written.
bool loadSeed(const QString &seedDir, QString *error);
