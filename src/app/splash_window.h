// The splash window TForm2: a borderless picture that stays on top until it
// is clicked.
#pragma once

#include "ui/widgets.h"

#include <QWidget>

namespace tw {

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    void Image1Click();

    PictureBox* Image1;
};

} // namespace tw
