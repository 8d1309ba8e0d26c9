#include "areas/areas_page.h"

#include "ui/pictures.h"
#include "areas/area_script.h"
#include "areas/picture_loader.h"
#include "platform/errors.h"
#include "platform/files.h"

#include <QKeyEvent>

namespace tw {
namespace {

QLabel* underlinedLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    QLabel* l = label(parent, name, text, x, y);
    QFont f = l->font();
    f.setUnderline(true);
    l->setFont(f);
    l->adjustSize();
    return l;
}

} // namespace

AreasPage::AreasPage(Services& services, ConversionState& state, QWidget* parent)
    : Page("t3", services, state, parent) {
    // Pictures first, so every box lies above them.
    e = pictureBox(this, "e", pictures::mapPlaceholder(), 0, 0, 512, 512, false);
    const QImage bar = pictures::solid(pictures::kPointGreen);
    oben = pictureBox(this, "oben", bar, 0, 0, 100, 5, false);
    unten = pictureBox(this, "unten", bar, 0, 0, 100, 5, false);
    links = pictureBox(this, "links", bar, 0, 0, 5, 100, false);
    rechts = pictureBox(this, "rechts", bar, 0, 0, 5, 100, false);
    placeBarsAside();
    gruen = pictureBox(this, "gruen", pictures::solid(pictures::kPointGreen), 304, 264, 1, 1, false);
    rot = pictureBox(this, "rot", pictures::solid(pictures::kPointRed), 341, 264, 1, 1, false);
    fg = pictureBox(this, "fg", pictures::flag(pictures::kPointGreen), 280, 216, 41, 49, false);
    fr = pictureBox(this, "fr", pictures::flag(pictures::kPointRed), 317, 216, 41, 49, false);

    GroupBox3z = groupBox(this, "GroupBox3z", QStringLiteral("Current Point - Options"), 520, 0, 217, 137);
    RadioButton1 = radioButton(GroupBox3z, "RadioButton1", QStringLiteral("Interval Settings / Key-Movement"), 6, 24);
    Label6z = linkLabel(GroupBox3z, "Label6z", QStringLiteral("Up"), 96, 52);
    Label4z = linkLabel(GroupBox3z, "Label4z", QStringLiteral("Left"), 11, 72);
    Edit1z = named(new QLineEdit(QStringLiteral("1"), GroupBox3z), "Edit1z");
    Edit1z->setGeometry(93, 67, 33, 21);
    makeGreyWhite(Edit1z);
    Label5z = linkLabel(GroupBox3z, "Label5z", QStringLiteral("Right"), 163, 72);
    Label7z = linkLabel(GroupBox3z, "Label7z", QStringLiteral("Down"), 96, 91);
    RadioButton2 = radioButton(GroupBox3z, "RadioButton2", QStringLiteral("Use Numpad-Keys to move around"), 8, 112);
    setMoveControlsEnabled(false);

    GroupBox1z = groupBox(this, "GroupBox1z", QStringLiteral("Options"), 520, 142, 217, 105);
    Label10z = linkLabel(GroupBox1z, "Label10z", QStringLiteral("Load map image"), 64, 24);
    Label1z = linkLabel(GroupBox1z, "Label1z", QStringLiteral("New Strategic - Area"), 56, 47);
    Label2z = linkLabel(GroupBox1z, "Label2z", QStringLiteral("Apply the current point"), 48, 63);
    Label8z = linkLabel(GroupBox1z, "Label8z", QStringLiteral("Apply the current area"), 48, 79);
    Label2z->setEnabled(false);
    Label8z->setEnabled(false);

    GroupBox2z = groupBox(this, "GroupBox2z", QStringLiteral("Areas"), 519, 251, 226, 269);
    GroupBox2z->setStyleSheet(QStringLiteral("QGroupBox#GroupBox2z { background-color: #c0c0c0; }"));
    ListBox1z = named(new QListWidget(GroupBox2z), "ListBox1z");
    ListBox1z->setGeometry(8, 16, 209, 243);
    makeGreyWhite(ListBox1z);

    GroupBox4z = groupBox(this, "GroupBox4z", QStringLiteral("Fertig"), 0, 521, 745, 64);
    Image2z = pictureBox(GroupBox4z, "Image2z", pictures::doneBanner(), 8, 16, 713, 41, true);

    areafert = groupBox(this, "areafert", QStringLiteral("Area fertigstellen"), 10, 4, 161, 345);
    areafert->setStyleSheet(QStringLiteral("QGroupBox#areafert { background-color: #c0c0c0; }"));
    Edit2z = named(new QLineEdit(QStringLiteral("Your area - name here"), areafert), "Edit2z");
    Edit2z->setGeometry(16, 20, 129, 21);
    Edit2z->setToolTip(QStringLiteral("Wie hei\u00DFt deine Area ?"));
    Edit3z = named(new QLineEdit(QStringLiteral("Priority (from 1 - 200)"), areafert), "Edit3z");
    Edit3z->setGeometry(16, 60, 129, 21);
    Edit3z->setToolTip(QStringLiteral("Wie wichtig ist das viech ? (Orientierung: unwichtig 10, wichtig 150)"));
    makeGreyWhite(Edit2z);
    makeGreyWhite(Edit3z);
    Label11z = underlinedLabel(areafert, "Label11z", QStringLiteral("The area features:"), 48, 86);
    leicht = checkBox(areafert, "leicht", QStringLiteral("light vehicles"), 27, 104);
    leicht->setToolTip(QStringLiteral("Jeeps, Boote, etc."));
    schwer = checkBox(areafert, "schwer", QStringLiteral("heavy vehicles"), 27, 120);
    schwer->setToolTip(QStringLiteral("Panzer, Bomber, etc."));
    Label14z = underlinedLabel(areafert, "Label14z", QStringLiteral("What kind of area  ?"), 24, 144);
    basis = checkBox(areafert, "basis", QStringLiteral("Base"), 8, 168);
    cp = checkBox(areafert, "cp", QStringLiteral("ControlPoint"), 80, 168);
    air = checkBox(areafert, "air", QStringLiteral("Airfield"), 8, 184);
    center = checkBox(areafert, "center", QStringLiteral("Center"), 80, 184);
    strong = checkBox(areafert, "strong", QStringLiteral("Struggling Point"), 8, 200);
    Flanke = checkBox(areafert, "Flanke", QStringLiteral("Flank (over the borders)"), 8, 216);
    Label12z = underlinedLabel(areafert, "Label12z", QStringLiteral("Whose control"), 40, 240);
    Team1 = radioButton(areafert, "Team1", QStringLiteral("Team 1"), 48, 264);
    Team2 = radioButton(areafert, "Team2", QStringLiteral("Team2"), 48, 280);
    Neutral = radioButton(areafert, "Neutral", QStringLiteral("Neutral"), 48, 296);
    Label9z = linkLabel(areafert, "Label9z", QStringLiteral("OK"), 72, 328);
    areafert->hide();

    GroupBox5z = groupBox(this, "GroupBox5z", QStringLiteral("Nachbarn"), 136, 1, 393, 208);
    GroupBox5z->setStyleSheet(QStringLiteral("QGroupBox#GroupBox5z { background-color: #c0c0c0; }"));
    Label3z = wrappedLabel(
        GroupBox5z, "Label3z",
        QStringLiteral("T make the KI understand, in which areas they have to go first and what's the best "
                       "possibility for them, you have to select, which areas are neighbours ! Think about your "
                       "decisions and be careful ! Each area will be shown to you, with a click on next one you "
                       "finish the current area und switch to the next one ....   Useful advice: An area "
                       "mustn't be its own neighbour ;)"),
        8, 18, 376, 65);
    Label13z = label(GroupBox5z, "Label13z", QStringLiteral("Area"), 24, 120);
    setTextColor(Label13z, Qt::yellow);
    CheckListBox1 = named(new QListWidget(GroupBox5z), "CheckListBox1");
    CheckListBox1->setGeometry(208, 96, 121, 81);
    makeGreyWhite(CheckListBox1);
    Label16z = linkLabel(GroupBox5z, "Label16z", QStringLiteral("Next one"), 160, 184);
    GroupBox5z->hide();

    const char* names[] = {"BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4"};
    const char* captions[] = {"links&4", "rechts&6", "oben&8", "unten&5"};
    QPushButton** buttons[] = {&BitBtn1, &BitBtn2, &BitBtn3, &BitBtn4};
    for (int i = 0; i < 4; ++i) {
        *buttons[i] = named(new QPushButton(QString::fromLatin1(captions[i]), this), names[i]);
        (*buttons[i])->setGeometry(704, 624 + 24 * i, 75, 25);
        (*buttons[i])->setFocusPolicy(Qt::NoFocus);
    }

    on(Label10z, &LinkLabel::clicked, [this] { Label10zClick(); });
    on(Label4z, &LinkLabel::clicked, [this] { movePoint(-1, 0); });
    on(Label5z, &LinkLabel::clicked, [this] { movePoint(1, 0); });
    on(Label6z, &LinkLabel::clicked, [this] { movePoint(0, -1); });
    on(Label7z, &LinkLabel::clicked, [this] { movePoint(0, 1); });
    on(BitBtn1, &QPushButton::clicked, [this] { movePoint(-1, 0); });
    on(BitBtn2, &QPushButton::clicked, [this] { movePoint(1, 0); });
    on(BitBtn3, &QPushButton::clicked, [this] { movePoint(0, -1); });
    on(BitBtn4, &QPushButton::clicked, [this] { movePoint(0, 1); });
    on(RadioButton1, &QRadioButton::clicked, [this] { RadioButton1Click(); });
    on(RadioButton2, &QRadioButton::clicked, [this] { RadioButton2Click(); });
    on(Label1z, &LinkLabel::clicked, [this] { Label1zClick(); });
    on(Label2z, &LinkLabel::clicked, [this] { Label2zClick(); });
    on(Label8z, &LinkLabel::clicked, [this] { Label8zClick(); });
    on(Label9z, &LinkLabel::clicked, [this] { Label9zClick(); });
    on(Image2z, &PictureBox::clicked, [this] { Image2zClick(); });
    on(Label16z, &LinkLabel::clicked, [this] { Label16zClick(); });
}

// The bars wait right of the map view, where the "Areas" box covers them.
void AreasPage::placeBarsAside() {
    oben->setGeometry(616, 280, 100, 5);
    unten->setGeometry(631, 431, 100, 5);
    links->setGeometry(616, 290, 5, 100);
    rechts->setGeometry(726, 336, 5, 100);
}

void AreasPage::resetPoints() {
    gruen->move(304, 264);
    fg->move(280, 216);
    rot->move(341, 264);
    fr->move(317, 216);
    for (QWidget* w : {static_cast<QWidget*>(gruen), static_cast<QWidget*>(fg), static_cast<QWidget*>(rot),
                       static_cast<QWidget*>(fr)})
        w->hide();
}

void AreasPage::Label10zClick() {
    const auto chosen = services_.dialogs.choose(
        {FileDialogRequest::Kind::Picture, "OpenPictureDialog1", areas::kPictureFilter, {}});
    if (!chosen) return;
    e->setPicture(areas::loadMapPicture(*chosen));
}

void AreasPage::movePoint(int dx, int dy) {
    if (state_.ActivePoint != 1 && state_.ActivePoint != 2) return;
    const int step = parseInteger(Edit1z->text().toStdString());
    PictureBox* dot = state_.ActivePoint == 2 ? gruen : rot;
    PictureBox* flag = state_.ActivePoint == 2 ? fg : fr;
    // No bound but the toolkit's coordinate range: far beyond any map.
    constexpr long long kLimit = 1000000;
    const auto shifted = [&](int v, int d) {
        return static_cast<int>(std::clamp<long long>(v + static_cast<long long>(d) * step, -kLimit, kLimit));
    };
    const int x = shifted(dot->x(), dx), y = shifted(dot->y(), dy);
    flag->move(flag->x() + (x - dot->x()), flag->y() + (y - dot->y()));
    dot->move(x, y);
}

void AreasPage::setMoveControlsEnabled(bool enabled) {
    for (QWidget* w : {static_cast<QWidget*>(Label4z), static_cast<QWidget*>(Label5z), static_cast<QWidget*>(Label6z),
                       static_cast<QWidget*>(Label7z), static_cast<QWidget*>(Edit1z)})
        w->setEnabled(enabled);
}

void AreasPage::RadioButton1Click() { setMoveControlsEnabled(true); }

void AreasPage::RadioButton2Click() { setMoveControlsEnabled(false); }

bool AreasPage::digitKey(int key) {
    if (!isEnabled() || !isVisible()) return false;
    switch (key) {
    case Qt::Key_4: guarded(services_.messages, [this] { movePoint(-1, 0); }); return true;
    case Qt::Key_6: guarded(services_.messages, [this] { movePoint(1, 0); }); return true;
    case Qt::Key_8: guarded(services_.messages, [this] { movePoint(0, -1); }); return true;
    case Qt::Key_5: guarded(services_.messages, [this] { movePoint(0, 1); }); return true;
    default: return false;
    }
}

// Digits reach the page only when the focused control did not take them
// (text fields and lists do). With Alt they are the off-page buttons'
// mnemonics; where the toolkit does not deliver those as shortcuts, the key
// arrives here instead, as a text field passes Alt+digit on.
void AreasPage::keyPressEvent(QKeyEvent* event) {
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((mods == Qt::NoModifier || mods == Qt::AltModifier) && digitKey(event->key())) {
        event->accept();
        return;
    }
    Page::keyPressEvent(event);
}

void AreasPage::Label1zClick() {
    gruen->show();
    fg->show();
    Label1z->setEnabled(false);
    Label2z->setEnabled(true);
    state_.ActivePoint = 2;
}

void AreasPage::Label2zClick() {
    rot->show();
    fr->show();
    state_.ActivePoint = 1;
    Label8z->setEnabled(true);
    Label2z->setEnabled(false);
}

void AreasPage::Label8zClick() {
    for (QWidget* bar : {static_cast<QWidget*>(oben), static_cast<QWidget*>(unten), static_cast<QWidget*>(links),
                         static_cast<QWidget*>(rechts)})
        bar->show();
    const auto box = areas::areaOf(gruen->x(), gruen->y(), rot->x(), rot->y(), state_.WorldSize, state_.WorldScale);
    if (!box) return;
    const int w = box->right - box->left, h = box->bottom - box->top;
    oben->setGeometry(box->left, box->top, w, 5);
    unten->setGeometry(box->left, box->bottom, w, 5);
    links->setGeometry(box->left, box->top, 5, h);
    rechts->setGeometry(box->right, box->top, 5, h);
    state_.AreaMinX = box->minX;
    state_.AreaMaxX = box->maxX;
    state_.AreaMinY = box->minY;
    state_.AreaMaxY = box->maxY;
    state_.AreaCenterX = box->centerX;
    state_.AreaCenterY = box->centerY;
    areafert->show();
    areafert->raise();
}

void AreasPage::Label9zClick() {
    const std::string name = Edit2z->text().toStdString();
    if (name.empty()) {
        services_.messages.info("Enter a valid name");
        return;
    }
    state_.AreaName = name;
    state_.AreaPriority = parseInteger(Edit3z->text().toStdString());

    areas::AreaBox box{};
    box.minX = state_.AreaMinX;
    box.minY = state_.AreaMinY;
    box.maxX = state_.AreaMaxX;
    box.maxY = state_.AreaMaxY;
    box.centerX = state_.AreaCenterX;
    box.centerY = state_.AreaCenterY;
    ListBox1z->addItem(QString::fromStdString(areas::listEntry(name, box, state_.AreaPriority)));
    Memo1z.push_back(areas::createLine(name, box, state_.AreaPriority));
    Memo1z.push_back(" ");
    Memo2z.push_back(name);
    areas::Kinds kinds;
    kinds.base = basis->isChecked();
    kinds.controlPoint = cp->isChecked();
    kinds.strongPoint = strong->isChecked();
    kinds.airfield = air->isChecked();
    kinds.flank = Flanke->isChecked();
    kinds.center = center->isChecked();
    params.push_back(areas::kindLines(kinds));
    vparams.push_back(areas::orderLines(box.centerX, box.centerY, leicht->isChecked(), schwer->isChecked()));
    sides.push_back(areas::sideLine(Team1->isChecked() ? 1 : Team2->isChecked() ? 2 : Neutral->isChecked() ? 0 : -1));

    areafert->hide();
    for (QWidget* bar : {static_cast<QWidget*>(oben), static_cast<QWidget*>(unten), static_cast<QWidget*>(links),
                         static_cast<QWidget*>(rechts)})
        bar->hide();
    placeBarsAside();
    resetPoints();
    Label8z->setEnabled(false);
    Label1z->setEnabled(true);
    Memo3z.clear();
}

void AreasPage::Image2zClick() {
    GroupBox5z->show();
    GroupBox5z->raise();
    Label13z->setText(QString::fromStdString((Memo2z.empty() ? std::string() : Memo2z.front()) + " ist Nachbar von: "));
    Label13z->adjustSize();
    for (const std::string& name : Memo2z) {
        auto* item = new QListWidgetItem(QString::fromStdString(name), CheckListBox1);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

void AreasPage::Label16zClick() {
    // With no area waiting there is nothing to finish.
    if (Memo2z.empty()) return;
    const std::string name = Memo2z.front();
    Memo2z.pop_front();
    Lines neighbours;
    for (int i = 0; i < CheckListBox1->count(); ++i)
        if (CheckListBox1->item(i)->checkState() == Qt::Checked)
            neighbours.push_back(CheckListBox1->item(i)->text().toStdString());
    const Lines block = areas::areaBlock(name, neighbours, params.front(), vparams.front(), sides.front());
    params.pop_front();
    vparams.pop_front();
    sides.pop_front();
    Aread.insert(Aread.end(), block.begin(), block.end());
    Label13z->setText(QString::fromStdString((Memo2z.empty() ? std::string() : Memo2z.front()) + " ist Nachbar von: "));
    Label13z->adjustSize();
    for (int i = 0; i < CheckListBox1->count(); ++i) CheckListBox1->item(i)->setCheckState(Qt::Unchecked);
    if (!Memo2z.empty()) return;

    Memo3z = areas::strategicAreasCon(Memo1z, Aread);
    const char sep = trailingSeparator(state_.LevelDir, services_.programDir);
    writeLines(state_.LevelDir + "AI" + sep + "StrategicAreas.con", Memo3z, true);
    Memo3z.clear();
    services_.messages.info("Change something if you want to.");
    services_.shell.openDocument("StrategicAreas.con", state_.LevelDir + "AI/");
    emit areasWritten();
}

} // namespace tw
