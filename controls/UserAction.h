#pragma once

#include "controls/MessageBoxes.h"
#include "engine/Error.h"

#include <exception>
#include <utility>

namespace qor {

// Every slot connected to a user action runs its work through this: an error
// ends the action and is shown by the default error display, and the program
// goes on; a question the person declined ends it without a word. An
// exception must not leave a Qt slot.
template <typename Fn>
void runUserAction(Fn &&fn)
{
    try {
        std::forward<Fn>(fn)();
    } catch (const Declined &) {
        // The person said no when asked: nothing more to show.
    } catch (const Error &e) {
        showErrorDisplay(e.text());
    } catch (const std::exception &e) {
        showErrorDisplay(QString::fromUtf8(e.what()));
    }
}

} // namespace qor
