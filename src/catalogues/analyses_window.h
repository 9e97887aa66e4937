#pragma once
// The list "Анализы" of one material's dated sieve analyses (file ANALIZ), opened from the
// material lists for the highlighted material: insert, change and delete through the form
// UPDATEANALIZ, a laboratory's own sheet read in ("Импорт CSV..."), the list written out
// ("Экспорт CSV..."), and "Принять как основной": one analysis, or the mean of a period, becomes
// the material's grading.
#include "framework/form_window.h"
#include "framework/list_window.h"

// The material lists' own: "SPLIT", "SANT", "OTSEW", "FILLER".
struct AnalysedMaterial {
    QString file;
    FixedString<20> name;
    LONG number = 0;
};

// The material highlighted in the list of `materialFile` (its record in the file's buffer).
AnalysedMaterial highlightedMaterial(const QString &materialFile);

BrowseDeclaration BROUSEANALIZDeclaration(const AnalysedMaterial &material);
// Opens the list of the material's analyses as a window of its own.
BrowseWindow *BROUSEANALIZ(const AnalysedMaterial &material);

// The button "Анализы" of a material list: the highlighted material's analyses.
BrowseExtraButton analysesButton(const QString &materialFile);

// Replaces the open-file dialog of the import (tests): returns the chosen path or "" for Cancel.
void setAnalysisImportPathHook(std::function<QString()> hook);

// "Принять как основной" of the list over the highlighted analysis (in ANA): the form ACCEPTANALIZ.
FormWindow *acceptAnalysis(BrowseWindow &list, const AnalysedMaterial &material);
