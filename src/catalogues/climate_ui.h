#pragma once
// The climate-region procedures, made known to the frame.

// Registers "REG" (menu "Климат"), "SELREG1" and "PROT_REG".
void registerClimateProcedures();
