#pragma once
// Sample reference data: one CSV file per data file (NORMA.csv, SPLIT.csv, ...), loaded into
// the data files of the current data directory through the record buffers.
//
// A CSV file starts with a header row of the storage column names (NUM, ZRN_1 .. ZRN_11,
// DNORM2_1_1, ...); a column left out of the header gets 0 or blank text. Cells are separated
// by ',' (or by ';' when the header row holds no ','), and quoted as usual ("a, b", "say ""x""").
// Numbers take '.' or ',' as the decimal point; texts are stored as written.
#include <QString>

// Creates each data file that has a CSV in seedDir in the current data directory, with the CSV's
// records. Every CSV is read and checked before anything is written: a value that does not fit
// its field (a text too long or outside Windows-1251, a number out of range, a fraction in a
// whole-number field, more decimals than a DECIMAL holds) refuses the whole seed with the file,
// line and column in *error. A data file that already exists refuses the seed too (loading
// into it again would double its records). The files are written all or nothing: a failure
// while writing (a duplicate key, named by its CSV line) leaves the data directory as it was.
bool loadSeed(const QString &seedDir, QString *error);
