#pragma once

#include "Samples.h"

#include <QVariant>

class ClientScreens;
class RawEngine;

// A group's roster handed on as the main window's two commands do it, each
// output timed in turn with the least it costs: the roster statement stepped
// by SQLite; the cell texts alone drawn on the pages (no measuring, wrapping
// or frames); the cells alone written through libxlsxwriter (no titles,
// formats or merges); the CSV's bytes alone written.
struct RosterOutputTimes
{
    Samples read, readRaw;
    Samples preview, previewRaw;
    Samples pdf, pdfRaw;
    Samples xlsx, xlsxRaw;
    Samples csv, csvRaw;
    int rows = 0;
    int pages = 0;
};

// On the group last picked in ours.
RosterOutputTimes measureRosterOutput(ClientScreens &ours, RawEngine &raw, const QVariant &group, int repeat);

// The roster previewed, printed to PDF and saved as .xlsx and CSV once, for
// the memory it takes.
void handRosterOnOnce(ClientScreens &ours);
