#include "packing/packing_page.h"

#include "ui/pictures.h"

#include <QPainter>

namespace tw {
namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h,
                    bool hand) {
    auto* b = named(new QPushButton(text, parent), name);
    b->setGeometry(x, y, w, h);
    if (hand) b->setCursor(Qt::PointingHandCursor);
    return b;
}

QLineEdit* edit(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h, bool grey) {
    auto* e = named(new QLineEdit(text, parent), name);
    e->setGeometry(x, y, w, h);
    if (grey) makeGreyWhite(e);
    return e;
}

// A one-line label that shows a long path elided in the middle, so that both
// its start and its end stay in view; the whole path is its tooltip and its
// text.
class MiddleElidedLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        const QRect r = contentsRect();
        painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, fontMetrics().elidedText(text(), Qt::ElideMiddle, r.width()));
    }
};

} // namespace

PackingPage::PackingPage(Services& services, state::Conversion& state, QWidget* parent)
    : Page("t4", services, state, parent) {
    GroupBox12 = groupBox(this, "GroupBox12", QStringLiteral("Part 1"), 8, 1, 537, 308);

    GroupBox14 = groupBox(GroupBox12, "GroupBox14", QStringLiteral("Battlefield 1942"), 8, 14, 329, 105);
    GroupBox14->setEnabled(false);
    Image9 = pictureBox(GroupBox14, "Image9", pictures::gameIcon(), 16, 32, 36, 37, true);
    Edit4 = edit(GroupBox14, "Edit4", QStringLiteral("BF Pfad"), 56, 40, 257, 21, true);
    Button5 = button(GroupBox14, "Button5", QStringLiteral("This path is ok | Apply the new one"), 80, 72, 209, 25,
                     false);

    GroupBox13 = groupBox(GroupBox12, "GroupBox13", QStringLiteral("Your Map"), 8, 123, 329, 81);
    GroupBox13->setEnabled(false);
    Label38 = label(GroupBox13, "Label38", QStringLiteral("Name: "), 16, 24);
    Label39 = label(GroupBox13, "Label39", QStringLiteral("--------------"), 72, 24);
    Label37 = label(GroupBox13, "Label37", QStringLiteral("Basepath: "), 16, 48);
    Edit5 = edit(GroupBox13, "Edit5", QString(), 72, 44, 121, 21, true);
    Button4 = button(GroupBox13, "Button4", QStringLiteral("Apply"), 200, 42, 105, 25, false);
    Button4->setEnabled(false);

    GroupBox15 = groupBox(GroupBox12, "GroupBox15", QStringLiteral("Advice:"), 344, 13, 185, 285);
    Label41 = wrappedLabel(GroupBox15, "Label41",
                           QStringLiteral("With one click you can change to the path you used the last time or "
                                          "browse to select a new one"),
                           8, 16, 169, 40);
    Label40 = wrappedLabel(GroupBox15, "Label40",
                           QStringLiteral("Most of the time the \"YOUR MAP\"  (basepath) section is correct.  "
                                          "Don't worry if you don't understand what this field means.  If you "
                                          "think you recognize any mistakes then just change them."),
                           8, 58, 169, 80);
    Label43 = wrappedLabel(GroupBox15, "Label43",
                           QStringLiteral("Select the \"packing for first time\" option then close the Tarnwick "
                                          "and start The BF1942_r.exe.  After loading your map, open the console "
                                          "as fast as you can and type \"ai.createallmaps\" before the first "
                                          "error screen appears in the game.  In case the BF1942_r.exe does not "
                                          "create pathmaps, just close it down and continue with the next step."),
                           8, 140, 169, 141);

    GroupBox16 = groupBox(GroupBox12, "GroupBox16", QStringLiteral("Packing for the first time"), 8, 209, 329, 81);
    Label42 = named(new LinkLabel(QStringLiteral("Your addon gets packed for the first time to generate "
                                                 "pathmaps. Click here to start packing"),
                                  GroupBox16),
                    "Label42");
    Label42->setWordWrap(true);
    Label42->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // A little higher than the box's title asks, so that the status line
    // and its link have a row each below it.
    Label42->setGeometry(8, 20, 303, 26);
    packbar = named(new QProgressBar(GroupBox16), "packbar");
    packbar->setGeometry(8, 26, 313, 17);
    packbar->setRange(0, 100);
    packbar->setValue(0);
    packbar->hide();
    packingStatus = named(new MiddleElidedLabel(GroupBox16), "packingStatus");
    packingStatus->setGeometry(8, 46, 313, packingStatus->fontMetrics().height() + 2);
    LabelEditAreas = linkLabel(GroupBox16, "LabelEditAreas",
                               QStringLiteral("Open StrategicAreas.con in the script editor (page 1)"), 8, 62);
    LabelEditAreas->setToolTip(QStringLiteral("The written areas as text, in the wizard's own editor on page 1, "
                                              "\"Map + Confiles\": change them there and click \"Safe changings on the right side\""));
    LabelEditAreas->hide();

    GroupBox18 = groupBox(this, "GroupBox18", QStringLiteral("Important"), 8, 311, 537, 39);
    GroupBox18->setStyleSheet(QStringLiteral("QGroupBox#GroupBox18 { color: green; }"));
    Label47 = wrappedLabel(GroupBox18, "Label47",
                           QStringLiteral("Now close Tarnwick and come back to this point after generating the "
                                          "pathmaps"),
                           8, 16, 521, 17, Qt::AlignHCenter | Qt::AlignTop);
    setTextColor(Label47, Qt::red);

    GroupBox17 = groupBox(this, "GroupBox17", QStringLiteral("Part 2"), 8, 351, 537, 145);
    Label44 = wrappedLabel(GroupBox17, "Label44",
                           QStringLiteral("Welcome back! Tarnwick should have created some more or less detailed "
                                          "pathmaps which we can now copy into your addon.  The box on the right "
                                          "should show all the relevant files.  Click the button to start copying "
                                          "them."),
                           5, 15, 369, 39);
    FileListBox2 = named(new QListWidget(GroupBox17), "FileListBox2");
    FileListBox2->setGeometry(384, 12, 145, 70);
    FileListBox2->setIconSize(QSize(14, 14));
    FileListBox2->setStyleSheet(QStringLiteral("QListWidget::item { height: 16px; }"));
    Button6 = button(GroupBox17, "Button6", QStringLiteral("Copy the generated pathmaps into my addon"), 29, 56,
                     337, 25, true);
    Label45 = wrappedLabel(GroupBox17, "Label45",
                           QStringLiteral("Almost done now.  All you have to do is pack you map again for the last "
                                          "time and bring your bots to life.  If for some reason something went "
                                          "wrong (i.e. map didn't pack correctly) ,you can find your addon here:"),
                           8, 86, 512, 26);
    const QChar sep = QLatin1Char(services.programDir.empty() ? '\\' : services.programDir.back());
    // From its place up to "Pack", which stands beside it.
    Label46 = named(new MiddleElidedLabel(GroupBox17), "Label46");
    Label46->setGeometry(136, 119, 288 - 136 - 4, Label46->fontMetrics().height() + 2);
    showAddonPlace(QStringLiteral("Tarnwick") + sep + QStringLiteral("bf1942") + sep + QStringLiteral("levels") + sep);
    Button7 = button(GroupBox17, "Button7", QStringLiteral("Pack"), 288, 111, 75, 25, true);
    copybar = named(new QProgressBar(GroupBox17), "copybar");
    copybar->setGeometry(372, 115, 157, 17);
    copybar->setRange(0, 100);
    copybar->hide();
    // Where the copy's bar stands while it runs.
    LabelCheck = linkLabel(GroupBox17, "LabelCheck", QStringLiteral("Check the add-on"), 376, 116);
    giveWayTo(LabelCheck, copybar);

    GroupBox19 = groupBox(this, "GroupBox19", QStringLiteral("Network ?"), 552, 0, 193, 497);
    Label49 = wrappedLabel(GroupBox19, "Label49",
                           QStringLiteral("To play network games with HUMAN PLAYERS (via Dedicated - Server) the "
                                          "map and its addon need to be put together to one rfa. You can also use "
                                          "this feature to prepare addons from older Tarnwick versions for network "
                                          "- games."),
                           6, 18, 177, 91, Qt::AlignHCenter | Qt::AlignTop);
    Image13 = pictureBox(GroupBox19, "Image13", pictures::archiveIcon(false), 8, 120, 33, 33, true);
    Edit6 = edit(GroupBox19, "Edit6", QStringLiteral("Map"), 50, 124, 126, 21, false);
    Image14 = pictureBox(GroupBox19, "Image14", pictures::archiveIcon(true), 8, 160, 33, 33, true);
    Edit7 = edit(GroupBox19, "Edit7", QStringLiteral("Addon (_00x)"), 53, 168, 123, 21, false);
    oldfix = named(new WrappingRadioButton(QStringLiteral("Addon from older Tarnwick version, fix network-bug"),
                                           GroupBox19),
                   "oldfix");
    oldfix->setGeometry(3, 200, 174, 41);
    Label48 = wrappedLabel(GroupBox19, "Label48",
                           QStringLiteral("It's obvious that the addon mustn't stay in the levels dir any longer, "
                                          "what shall I do with it ?"),
                           8, 248, 176, 39, Qt::AlignHCenter | Qt::AlignTop);
    fix1 = checkBox(GroupBox19, "fix1", QStringLiteral("Delete it"), 8, 296, 169, 17);
    fix2 = checkBox(GroupBox19, "fix2", QStringLiteral("Create a backup:"), 8, 320, 105, 17);
    Button9 = button(GroupBox19, "Button9", QStringLiteral("Path"), 111, 319, 73, 18, true);
    fix3 = checkBox(GroupBox19, "fix3", QStringLiteral("Let it be, I do that on my own"), 8, 344, 177, 17);
    fix3->setChecked(true);
    Button10 = button(GroupBox19, "Button10", QStringLiteral("Unpack"), 8, 408, 177, 25, true);
    Button8 = button(GroupBox19, "Button8", QStringLiteral("Connect map and addon"), 8, 440, 177, 25, true);
    Button8->setEnabled(false);
    backupStatus = wrappedLabel(GroupBox19, "backupStatus", QString(), 8, 364, 177, 40);

    GroupBox20 = groupBox(this, "GroupBox20", QStringLiteral("Support me"), 8, 500, 735, 79);
    Image15 = pictureBox(GroupBox20, "Image15", pictures::supportBanner(), 8, 16, 400, 57, true);
    Label50 = wrappedLabel(GroupBox20, "Label50",
                           QStringLiteral("I've been working on this project for 1 1/2 years now. As you can "
                                          "imagine, it takes time. So please support me with a click each time "
                                          "you use this software."),
                           416, 14, 312, 40);
    Label51 = label(GroupBox20, "Label51", QStringLiteral("Thanks, we are the community!"), 416, 58);

    // What the captions in German or in short mean.
    const std::pair<QWidget*, const char*> tips[] = {
        {GroupBox12, "Part 1: the game folder, the map's names, and the first packing, after which the game makes "
                     "the pathmaps."},
        {Edit4, "The game folder (\"BF Pfad\": Battlefield 1942's path), the one that holds BF1942.exe. Click the "
                "game's picture to choose it."},
        {Image9, "Choose the game folder."},
        {Button5, "Takes the game folder above, remembers it for the next time and opens \"Your Map\"."},
        {Label37, "The base path: where the game looks for the level's files inside its archives. Most of the time "
                  "it is right as it is."},
        {Button4, "Takes the base path typed beside it."},
        {GroupBox17, "Part 2: once the game has made the pathmaps, copy them into the add-on and pack it for good."},
        {Button7, "Packs the add-on with its pathmaps into its archive (the add-on's check runs first)."},
        {GroupBox19, "Network games (\"Network ?\"): puts the map and its add-on together into one archive, for "
                     "games with human players on a dedicated server."},
        {Image13, "Choose the map's archive (.rfa)."},
        {Edit6, "The map's archive; choose it with the picture beside it."},
        {Image14, "Choose the add-on's archive (<map>_001.rfa)."},
        {Edit7, "The add-on's archive (<map>_001.rfa, \"_00x\"); choose it with the picture beside it."},
        {oldfix, "For an add-on made by an older Tarnwick: also writes the Coop.con scripts that network games need "
                 "into the merged level."},
        {fix1, "Deletes the add-on's archive once the merged archive is made and checked."},
        {fix2, "Moves the add-on's archive to the place chosen with \"Path\" once the merged archive is made and "
               "checked."},
        {Button9, "Choose where the backup of the add-on's archive goes."},
        {fix3, "Leaves the add-on's archive where it is."},
        {Button10, "Unpacks both archives into the program's Network folder."},
        {Button8, "Packs the unpacked map and add-on into one archive, which takes the map archive's place."},
    };
    for (const auto& [widget, tip] : tips) widget->setToolTip(QString::fromUtf8(tip));

    // Once checked, the network fix stays checked for the rest of the run.
    on(oldfix, &QRadioButton::clicked, [this] { oldfix->setChecked(true); });
    on(Image15, &PictureBox::clicked, [this] { Image15Click(); });
    on(Image9, &PictureBox::clicked, [this] { Image9Click(); });
    on(Button5, &QPushButton::clicked, [this] { Button5Click(); });
    on(Label42, &LinkLabel::clicked, [this] { Label42Click(); });
    connect(LabelEditAreas, &LinkLabel::clicked, this, &PackingPage::areasScriptChosen);
    on(Button6, &QPushButton::clicked, [this] { Button6Click(); });
    on(Button7, &QPushButton::clicked, [this] { Button7Click(); });
    on(LabelCheck, &LinkLabel::clicked, [this] { LabelCheckClick(); });
    on(Image13, &PictureBox::clicked, [this] { Image13Click(); });
    on(Image14, &PictureBox::clicked, [this] { Image14Click(); });
    on(fix1, &QCheckBox::clicked, [this] { fixClick(fix1); });
    on(fix2, &QCheckBox::clicked, [this] { fixClick(fix2); });
    on(fix3, &QCheckBox::clicked, [this] { fixClick(fix3); });
    on(Button9, &QPushButton::clicked, [this] { Button9Click(); });
    on(Button10, &QPushButton::clicked, [this] { Button10Click(); });
    on(Button8, &QPushButton::clicked, [this] { Button8Click(); });
    waitTimer_.setInterval(kPollMilliseconds);
    connect(&waitTimer_, &QTimer::timeout, this, [this] { guarded(services_.messages, [this] { poll(); }); });
}

void PackingPage::showAddonPlace(const QString& place) {
    Label46->setText(place);
    Label46->setToolTip(place);
}

void PackingPage::showAreasWritten(const std::string& file) {
    const QString text = QString::fromStdString("The strategic areas were written to " + file +
                                                ". Next, on this page: the game folder, then the first packing.");
    // The line has room for the gist only; the file's whole path is in the tooltip.
    packingStatus->setText("Areas written. Next: the game folder, then the first packing.");
    packingStatus->setToolTip(text);
    LabelEditAreas->show();
}

void PackingPage::showBasePath(const QString& basePath) {
    const int room = Edit5->width() - 8;
    const QString shown = Edit5->fontMetrics().horizontalAdvance(basePath) <= room
                              ? basePath
                              : Edit5->fontMetrics().elidedText(basePath, Qt::ElideMiddle, room);
    Edit5->setText(shown);
    Edit5->setCursorPosition(0);
    Edit5->setToolTip(basePath);
}

void PackingPage::showArchivePath(QLineEdit* edit, const std::string& path) {
    // The end of a long path shows: the file name matters most.
    edit->setText(QString::fromStdString(path));
    edit->setCursorPosition(static_cast<int>(edit->text().size()));
    edit->setToolTip(edit->text());
}

void PackingPage::Image15Click() { services_.shell.openUrl(kSupportUrl); }

} // namespace tw
