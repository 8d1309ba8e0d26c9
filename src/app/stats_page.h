// Page t6 "Stats": what the map analysis found.
#pragma once

#include "ui/page.h"

#include <QLabel>

namespace tw {

class StatsPage : public Page {
    Q_OBJECT
public:
    StatsPage(Services& services, state::Conversion& state, QWidget* parent = nullptr);

    QLabel* Label26;
    QLabel* Label27;
    QLabel* Label28;
    QLabel* Label29;
    QLabel* Label30;  // folder
    QLabel* Label31;  // world size
    QLabel* Label32;  // base path
    QLabel* Label33;  // archive or not
};

} // namespace tw
