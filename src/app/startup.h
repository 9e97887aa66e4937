#pragma once
// What start-up does before the frame opens, shared with the tests that start the real frame.

// Registers every procedure the frame's menu and toolbar start.
void registerProgramProcedures();

// Loads Qt's own Russian texts (standard buttons, print and file dialogs) from Qt's translations
// directory. False when they are not installed: the standard dialogs then stay in English.
bool loadQtTranslations();
