// Small widgets and builders for the wizard's fixed-position pages.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>

namespace tw {

// An image control: shows its picture stretched to its own size (or scaled
// keeping proportions), optionally clickable.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    enum class Fit { Stretch, Proportional };
    explicit PictureBox(QWidget* parent = nullptr) : QWidget(parent) {}
    void setPicture(const QImage& image);
    const QImage& picture() const { return image_; }
    void setFit(Fit fit) { fit_ = fit; update(); }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage image_;
    Fit fit_ = Fit::Stretch;
};

// A label drawn as a link (blue, underlined, hand cursor) that runs a command.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A radio button whose caption wraps within the button's width.
class WrappingRadioButton : public QRadioButton {
    Q_OBJECT
public:
    using QRadioButton::QRadioButton;

protected:
    void paintEvent(QPaintEvent*) override;
    bool hitButton(const QPoint& pos) const override;
};

// Builders: each control gets its name as objectName and its design geometry.
template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QGroupBox* groupBox(QWidget* parent, const char* name, const QString& title, int x, int y, int w, int h);
// Auto-sized label at (x, y).
QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y);
// Word-wrapped label with a fixed size.
QLabel* wrappedLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h,
                     Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop);
LinkLabel* linkLabel(QWidget* parent, const char* name, const QString& text, int x, int y);
// Auto-sized check box / radio button at (x, y), or with a fixed size.
QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, int x, int y, int w = -1, int h = 17);
QRadioButton* radioButton(QWidget* parent, const char* name, const QString& text, int x, int y, int w = -1,
                          int h = 17);
PictureBox* pictureBox(QWidget* parent, const char* name, const QImage& image, int x, int y, int w, int h,
                       bool clickable);

// Grey background with white text, as the wizard's edits and lists use.
void makeGreyWhite(QWidget* widget);
void setTextColor(QWidget* widget, const QColor& color);

} // namespace tw
