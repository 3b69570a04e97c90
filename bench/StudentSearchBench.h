#pragma once

#include <QString>

class ClientScreens;
class RawEngine;

// "Найти слушателя" and the student's card on one generated office: the
// search window opened until its names are read and indexed, each key typed
// until the event loop is idle with the rows found, and a card of ten roster
// rows opened until idle, beside what SQLite alone needs for the same answers (its
// own full-text index over the names, built once and not timed, finding,
// counting and ordering the students and reading their roster rows; and the
// same statements the client hands it). Prints rows of the size's table.
void measureStudentSearch(ClientScreens &ours, RawEngine &raw, const QString &file, int repeat);
