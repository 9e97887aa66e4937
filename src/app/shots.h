#pragma once
// asphalt --shots OUTDIR WORKDIR: a look at every window as the user sees it inside the frame.
// Opens each window of the menu and toolbar in turn (a list, its insert and change forms, an
// insert form over the list maximised), then several lists tiled and cascaded, writes one PNG
// of the whole frame per step into OUTDIR and ends. Messages are answered with their default
// button and written to OUTDIR/messages.txt. Used by scripts/shots.
class MAIN;
class QString;

// Starts the walk once the event loop runs; the application quits when it is done.
void takeShots(MAIN *frame, const QString &outDir);
