#include "areas/areas_page.h"

#include "app/pictures.h"

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
    // The bars wait right of the map view, under the "Areas" box.
    oben = pictureBox(this, "oben", bar, 616, 280, 100, 5, false);
    unten = pictureBox(this, "unten", bar, 631, 431, 100, 5, false);
    links = pictureBox(this, "links", bar, 616, 290, 5, 100, false);
    rechts = pictureBox(this, "rechts", bar, 726, 336, 5, 100, false);
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
    for (QWidget* w : {static_cast<QWidget*>(Label4z), static_cast<QWidget*>(Label5z),
                       static_cast<QWidget*>(Label6z), static_cast<QWidget*>(Label7z),
                       static_cast<QWidget*>(Edit1z)})
        w->setEnabled(false);

    GroupBox1z = groupBox(this, "GroupBox1z", QStringLiteral("Options"), 520, 142, 217, 105);
    Label10z = linkLabel(GroupBox1z, "Label10z", QStringLiteral("Load map image"), 64, 24);
    Label1z = linkLabel(GroupBox1z, "Label1z", QStringLiteral("New Strategic - Area"), 56, 47);
    Label2z = linkLabel(GroupBox1z, "Label2z", QStringLiteral("Apply the current point"), 48, 63);
    Label8z = linkLabel(GroupBox1z, "Label8z", QStringLiteral("Apply the current area"), 48, 79);
    Label2z->setEnabled(false);
    Label8z->setEnabled(false);

    GroupBox2z = groupBox(this, "GroupBox2z", QStringLiteral("Areas"), 519, 251, 226, 269);
    GroupBox2z->setAutoFillBackground(true);
    ListBox1z = named(new QListWidget(GroupBox2z), "ListBox1z");
    ListBox1z->setGeometry(8, 16, 209, 243);
    makeGreyWhite(ListBox1z);

    GroupBox4z = groupBox(this, "GroupBox4z", QStringLiteral("Fertig"), 0, 521, 745, 64);
    Image2z = pictureBox(GroupBox4z, "Image2z", pictures::doneBanner(), 8, 16, 713, 41, true);

    areafert = groupBox(this, "areafert", QStringLiteral("Area fertigstellen"), 10, 4, 161, 345);
    areafert->setAutoFillBackground(true);
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
    GroupBox5z->setAutoFillBackground(true);
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
}

} // namespace tw
