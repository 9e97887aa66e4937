#pragma once
// Registers the test menu and the mechanical test journal with the procedures the frame and the
// recipe windows start or call by name.
void registerJournalProcedures();
