#pragma once
// The head that every design step's form declaration shares: a form on the recipe file PODBOR,
// with the engine's standard action texts and the question before closing an edited record.
#include "data/files.h"
#include "framework/form_window.h"

inline FormDecl designStepForm(const QString &procedure, const QString &windowTitle)
{
    FormDecl d;
    d.procedure = procedure;
    d.file = &files::PODBOR;
    d.windowTitle = windowTitle;
    d.insertTitle = QStringLiteral("Record will be Added");
    d.changeTitle = QStringLiteral("Record will be Changed");
    d.savePrompt = true;
    return d;
}
