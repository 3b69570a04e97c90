#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

namespace qor {

// The program's three modal boxes, all centred on the screen.

enum class BoxKind {
    ErrorDisplay,        // an error nothing else caught: error icon, one OK
    Message,             // a message: no icon, one "OK"
    DeletionConfirmation, // "Delete record?": OK or Cancel
    Question              // a question: "Да" or "Нет", "Нет" by default
};

struct BoxRequest
{
    BoxKind kind;
    QString caption;
    QString text; // as it is shown, before line breaks are made of carriage returns
};

// When set, receives every box instead of the user and answers it; no box
// is shown. Tests use it to answer and capture boxes without a modal loop.
using BoxInterceptor = std::function<QMessageBox::StandardButton(const BoxRequest &)>;
BoxInterceptor &boxInterceptor();

// The application title, the caption of the message boxes and of the
// default error display: set at start-up, replaced at sign-in.
QString applicationTitle();
void setApplicationTitle(const QString &title);

// The error text as the default error display shows it: a full stop is added
// unless the text ends in one or in a character of a lower code ("!", ")").
QString errorDisplayText(const QString &text);

// The application's default error display, captioned with the application title.
void showErrorDisplay(const QString &text);

// A message captioned with the application title; "&" underlines the next
// character, "&&" shows "&".
void showMessage(const QString &text);

// "Delete record?"; true when the user chose OK.
bool confirmDeletion();

// A question captioned with the application title; true when the user
// chose "Да". Enter and Escape choose "Нет", so that nothing is done by a
// key pressed before the question was read.
bool askYesNo(const QString &text);

// A carriage return starts a new line; QLabel does not break at one.
QString withLineBreaks(const QString &text);

// The message box's rich text: escaped, "&" rule applied, line breaks kept.
QString messageRichText(const QString &text);

} // namespace qor
