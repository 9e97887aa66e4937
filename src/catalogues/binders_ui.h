#pragma once
// The binders and additives catalogue made known to the frame.

// Registers "BROWSEBIT" and "BROWSEDOBAVKA".
void registerBinderProcedures();
