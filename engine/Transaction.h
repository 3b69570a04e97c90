#pragma once

#include "engine/Engine.h"
#include "engine/Error.h"

namespace qor {

// Runs fn inside one transaction of the engine: every write it makes is
// kept, or, when it throws, none is, and the error goes on to the caller.
template<typename Fn>
void inTransaction(Engine &db, Fn fn)
{
    db.beginTransaction();
    try {
        fn();
        db.commitTransaction();
    } catch (...) {
        try {
            db.rollbackTransaction();
        } catch (const Error &) {
            // The first failure is the one the user is told.
        }
        throw;
    }
}

} // namespace qor
