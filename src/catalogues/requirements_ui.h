#pragma once
// The foreign requirement, approval data and mixer screen windows, made known to the frame.

// Registers them by procedure name; main() calls it before the frame opens.
void registerRequirementsProcedures();
