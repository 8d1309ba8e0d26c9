// Page t3 "(2) Areas": the map view, the two corner points, the outline, the
// area properties and the neighbour step.
#pragma once

#include "ui/page.h"
#include "ui/widgets.h"
#include "platform/text.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <deque>

namespace tw {

class AreasPage : public Page {
    Q_OBJECT
public:
    AreasPage(Services& services, ConversionState& state, QWidget* parent = nullptr);

    // Map view and cursor.
    void Label10zClick();             // load map image
    void movePoint(int dx, int dy);   // Left, Right, Up, Down: one step along an axis
    void RadioButton1Click();         // interval mode
    void RadioButton2Click();         // keypad mode
    // A digit key while the page is shown: 4, 6, 8, 5 move the active point.
    bool digitKey(int key);

    // Outline, properties, neighbours.
    void Label1zClick();   // New Strategic - Area
    void Label2zClick();   // Apply the current point
    void Label8zClick();   // Apply the current area
    void Label9zClick();   // OK: record the area
    void Image2zClick();   // Fertig: start the neighbour step
    void Label16zClick();  // Next one

    // The recorded areas, in recording order.
    Lines Memo1z;                   // create lines, each followed by a one-blank line
    std::deque<std::string> Memo2z; // names still waiting for the neighbour step
    std::deque<Lines> params;       // kind lines per area
    std::deque<Lines> vparams;      // order-position lines per area
    std::deque<std::string> sides;  // side line per area, empty for none
    Lines Aread;                    // finished area blocks
    Lines Memo3z;                   // the script being assembled

    // Map view, corner points and outline bars.
    PictureBox* e;
    PictureBox* gruen;
    PictureBox* rot;
    PictureBox* fg;
    PictureBox* fr;
    PictureBox* oben;
    PictureBox* unten;
    PictureBox* links;
    PictureBox* rechts;

    // "Current Point - Options"
    QGroupBox* GroupBox3z;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    LinkLabel* Label4z;
    LinkLabel* Label5z;
    LinkLabel* Label6z;
    LinkLabel* Label7z;
    QLineEdit* Edit1z;

    // "Options"
    QGroupBox* GroupBox1z;
    LinkLabel* Label10z;
    LinkLabel* Label1z;
    LinkLabel* Label2z;
    LinkLabel* Label8z;

    // "Areas" and "Fertig"
    QGroupBox* GroupBox2z;
    QListWidget* ListBox1z;
    QGroupBox* GroupBox4z;
    PictureBox* Image2z;

    // "Area fertigstellen"
    QGroupBox* areafert;
    QLineEdit* Edit2z;
    QLineEdit* Edit3z;
    QLabel* Label11z;
    QCheckBox* leicht;
    QCheckBox* schwer;
    QLabel* Label14z;
    QCheckBox* basis;
    QCheckBox* cp;
    QCheckBox* air;
    QCheckBox* center;
    QCheckBox* strong;
    QCheckBox* Flanke;
    QLabel* Label12z;
    QRadioButton* Team1;
    QRadioButton* Team2;
    QRadioButton* Neutral;
    LinkLabel* Label9z;

    // "Nachbarn"
    QGroupBox* GroupBox5z;
    QLabel* Label3z;
    QLabel* Label13z;
    QListWidget* CheckListBox1;
    LinkLabel* Label16z;

    // Off-page buttons whose captions carry the digit mnemonics.
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    QPushButton* BitBtn4;

signals:
    // StrategicAreas.con is written: the packing page comes next.
    void areasWritten();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void placeBarsAside();
    void setMoveControlsEnabled(bool enabled);  // Left, Right, Up, Down and the step field
    void resetPoints();
};

} // namespace tw
