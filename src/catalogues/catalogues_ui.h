#pragma once
// The procedures of the material and reference catalogues, made known to the frame.

// Registers every catalogue window by its procedure name; main() calls it before the frame opens.
void registerCatalogueProcedures();
