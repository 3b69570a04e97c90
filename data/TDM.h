#pragma once

#include "data/Connection.h"

#include <QObject>

namespace qor {

// The data module: the shared connection and every result set the screens
// show, alive for the whole run.
class TDM : public QObject
{
    Q_OBJECT

public:
    explicit TDM(QObject *parent = nullptr);
    ~TDM() override;

    Connection *ADOCon;
};

// The one data module of the program, created at start-up before any window.
extern TDM *DM;

} // namespace qor
