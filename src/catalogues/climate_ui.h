#pragma once
// The climate-region procedures, made known to the frame.

// Registers "REG" (menu "Климат"), "SELREG1" (started, and called for a choice) and "PROT_REG".
void registerClimateProcedures();
