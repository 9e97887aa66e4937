#pragma once
// The aggregates catalogue's procedures, made known to the frame.

// Registers BROUSESPLIT, BROUSESANT, BROUSEOTSEW and BROUSEFILLERPOROSHOK (the frame's menu
// items "Щебень", "&Песок", "&Отсев", "&МинПорошок"); main() calls it before the frame opens.
void registerAggregateProcedures();
