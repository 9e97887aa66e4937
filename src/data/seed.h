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
// A load into an existing directory stages its files in a hidden folder there and moves them in
// when all are written; the list of moves is written first, so a load killed while moving is
// finished by the next load (its folder is removed, and one killed earlier is just removed).

// Loads the seed into workDir. A directory that does not exist yet (nor its missing parents) is
// filled beside it under a hidden name and renamed into place in one step: a killed load leaves
// no half-filled working directory, and what it left is removed by the next one. An existing
// directory is loaded by loadSeed.
bool seedDirectory(const QString &seedDir, const QString &workDir, QString *error);
