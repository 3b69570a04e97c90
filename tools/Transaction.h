#pragma once

#include "engine/Engine.h"
#include "engine/Error.h"

#include <QString>

namespace qor::admin {

// Runs fn inside one transaction of the database, opened with begin (the
// engine's own words for it): all of it happens, or nothing.
template<typename Fn>
void inTransaction(Engine &db, const QString &begin, Fn fn)
{
    db.execute(begin);
    try {
        fn();
        db.execute(QStringLiteral("COMMIT"));
    } catch (...) {
        try {
            db.execute(QStringLiteral("ROLLBACK"));
        } catch (const Error &) {
        }
        throw;
    }
}

} // namespace qor::admin
