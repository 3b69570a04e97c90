#include "data/TDM.h"

namespace qor {

TDM *DM = nullptr;

TDM::TDM(QObject *parent) : QObject(parent), ADOCon(new Connection(this))
{
    setObjectName(QStringLiteral("DM"));
    ADOCon->setObjectName(QStringLiteral("ADOCon"));
}

TDM::~TDM()
{
    if (DM == this)
        DM = nullptr;
}

} // namespace qor
