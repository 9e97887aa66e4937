#pragma once
// PROTBIT as a procedure of the frame (started by the binder list's "Протокол").
class QWidget;

// Starts the protocol of all binders; returns its progress window.
QWidget *PROTBIT();

// Registers the report procedures with the frame ("PROTBIT", ...).
void registerReportProcedures();
