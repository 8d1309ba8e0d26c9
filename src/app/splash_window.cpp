#include "app/splash_window.h"

#include "ui/pictures.h"

namespace tw {

TForm2::TForm2(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Welcome"));
    setGeometry(391, 316, 369, 217);
    setFixedSize(369, 217);
    Image1 = pictureBox(this, "Image1", pictures::splash(), 0, 0, 369, 217, false);
    connect(Image1, &PictureBox::clicked, this, &TForm2::Image1Click);
}

void TForm2::Image1Click() { hide(); }

} // namespace tw
