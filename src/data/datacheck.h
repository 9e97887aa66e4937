#pragma once
// "Проверить данные": reads every data file of the working directory and lists what is wrong,
// changing nothing. Each file is checked whole (SQLite's integrity check, or a round trip to the
// server), every key against the records it orders, and the links between the files: test
// records whose recipe is gone and recipes that share a number.
//
// The check reads through data files of its own, so the record buffers and positions of the
// windows open meanwhile are left as they are.
#include <QString>

#include <functional>
#include <vector>

struct DataFinding {
    QString file;     // "GUR"
    qint64 id = 0;    // the record's id in the file; 0 for the file as a whole
    QString record;   // the record as a person finds it ("рецепт 12 «Объект» от 01.02.2025")
    QString problem;
};

// Told before each file is read; returning false stops the check (what was found so far is
// returned).
using CheckProgress = std::function<bool(int done, int total, const QString &file)>;

std::vector<DataFinding> checkData(const CheckProgress &progress = {});
