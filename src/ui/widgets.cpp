#include "ui/widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace tw {

void PictureBox::setPicture(const QImage& image) {
    image_ = image;
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (image_.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (fit_ == Fit::Stretch) {
        painter.drawImage(rect(), image_);
        return;
    }
    const QSize size = image_.size().scaled(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.drawImage(target, image_);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(QStringLiteral("QLabel { color: blue; } QLabel:disabled { color: gray; }"));
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
    QLabel::mouseReleaseEvent(event);
}

namespace {
QRect indicatorRect(const QRadioButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    return button->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, button);
}
} // namespace

void WrappingRadioButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.state |= isChecked() ? QStyle::State_On : QStyle::State_Off;
    if (isDown()) option.state |= QStyle::State_Sunken;
    const QRect indicator = indicatorRect(this);
    option.rect = QRect(indicator.left(), (height() - indicator.height()) / 2, indicator.width(),
                        indicator.height());
    style()->drawPrimitive(QStyle::PE_IndicatorRadioButton, &option, &painter, this);
    const int textLeft = indicator.right() + 5;
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(QRect(textLeft, 0, width() - textLeft, height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text());
}

bool WrappingRadioButton::hitButton(const QPoint& pos) const { return rect().contains(pos); }

QGroupBox* groupBox(QWidget* parent, const char* name, const QString& title, int x, int y, int w, int h) {
    auto* box = named(new QGroupBox(title, parent), name);
    box->setGeometry(x, y, w, h);
    return box;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* l = named(new QLabel(text, parent), name);
    l->move(x, y);
    l->adjustSize();
    return l;
}

QLabel* wrappedLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h,
                     Qt::Alignment align) {
    auto* l = named(new QLabel(text, parent), name);
    l->setWordWrap(true);
    l->setAlignment(align);
    l->setGeometry(x, y, w, h);
    return l;
}

LinkLabel* linkLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* l = named(new LinkLabel(text, parent), name);
    l->move(x, y);
    l->adjustSize();
    return l;
}

namespace {
template <class B>
B* placeButton(B* b, int x, int y, int w, int h) {
    if (w < 0) {
        b->adjustSize();
        b->setGeometry(x, y, b->sizeHint().width(), h);
    } else {
        b->setGeometry(x, y, w, h);
    }
    return b;
}
} // namespace

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
    return placeButton(named(new QCheckBox(text, parent), name), x, y, w, h);
}

QRadioButton* radioButton(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
    return placeButton(named(new QRadioButton(text, parent), name), x, y, w, h);
}

PictureBox* pictureBox(QWidget* parent, const char* name, const QImage& image, int x, int y, int w, int h,
                       bool clickable) {
    auto* p = named(new PictureBox(parent), name);
    p->setPicture(image);
    p->setGeometry(x, y, w, h);
    if (clickable) p->setCursor(Qt::PointingHandCursor);
    return p;
}

namespace {
// Colours are set through style sheets: with the application's style sheet
// in force, palettes set on single widgets do not survive re-parenting.
// The rule names the widget's Qt class, so it does not reach its children.
void addStyleRule(QWidget* widget, const QString& declarations) {
    const QMetaObject* meta = widget->metaObject();
    while (meta && !QByteArray(meta->className()).startsWith('Q')) meta = meta->superClass();
    const QString rule = QString::fromLatin1(meta ? meta->className() : "QWidget") + QStringLiteral(" { ") +
                         declarations + QStringLiteral(" }");
    widget->setStyleSheet(widget->styleSheet() + rule);
}
} // namespace

void makeGreyWhite(QWidget* widget) {
    addStyleRule(widget, QStringLiteral("background-color: #808080; color: white;"));
}

void setTextColor(QWidget* widget, const QColor& color) {
    addStyleRule(widget, QStringLiteral("color: %1;").arg(color.name()));
}

} // namespace tw
