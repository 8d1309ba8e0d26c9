#include "app/stats_page.h"

#include "ui/widgets.h"

namespace tw {

StatsPage::StatsPage(Services& services, state::Conversion& state, QWidget* parent)
    : Page("t6", services, state, parent) {
    Label26 = label(this, "Label26", QStringLiteral("Pfad:"), 16, 8);
    Label27 = label(this, "Label27", QStringLiteral("Worldsize:"), 16, 24);
    Label28 = label(this, "Label28", QStringLiteral("Basepath:"), 16, 40);
    Label29 = label(this, "Label29", QStringLiteral("RFA ?:"), 16, 56);
    Label30 = label(this, "Label30", QStringLiteral("-"), 48, 8);
    Label31 = label(this, "Label31", QStringLiteral("-"), 72, 24);
    Label32 = label(this, "Label32", QStringLiteral("-"), 72, 40);
    Label33 = label(this, "Label33", QStringLiteral("-"), 56, 56);
    for (QLabel* value : {Label30, Label31, Label32, Label33}) {
        setTextColor(value, QColor(128, 0, 0));
        value->setMinimumWidth(600);  // values grow to the right as long as they need
        value->resize(600, value->height());
    }
}

} // namespace tw
