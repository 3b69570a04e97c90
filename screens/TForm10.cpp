#include "screens/TForm10.h"

#include "controls/ClassicLook.h"
#include "data/TDM.h"

#include <QHBoxLayout>
#include <QLabel>

namespace qor {

TForm10 *Form10 = nullptr;

TForm10::TForm10(QWidget *parent) : ReportWindow(QStringLiteral("Группы с истёкшим сроком обучения"), parent)
{
    auto *label = new QLabel(QStringLiteral("Группы, срок обучения которых окончился, а в списке остались не отчисленные "
                                            "слушатели. Двойной щелчок по группе показывает её список."),
                             this);
    label->setFont(tahoma(11, true));
    choices()->addWidget(label, 1);
    orderTabs({});
    refresh();
}

TForm10::~TForm10() = default;

GroupReport TForm10::readReport()
{
    return groupsPastTermReport(DM->ADOCon, QDate::currentDate());
}

} // namespace qor
