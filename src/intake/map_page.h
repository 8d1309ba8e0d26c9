// Page t1 "(1) Map + Confiles": choosing and analysing the map, the add-on
// run and the script editor.
#pragma once

#include "app/page.h"
#include "app/widgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tw {

class MapPage : public Page {
    Q_OBJECT
public:
    MapPage(Services& services, ConversionState& state, QWidget* parent = nullptr);

    // "Deine Map"
    QGroupBox* GroupBox7;
    QRadioButton* pack;
    QRadioButton* unpack;
    PictureBox* Image12;
    QLineEdit* Edit3;
    QPushButton* Button1;

    // "CON Files"
    QGroupBox* GroupBox8;
    QLabel* Label25;
    QPushButton* Button2;
    QGroupBox* GroupBox11;
    QLabel* Label35;
    QCheckBox* shipp;
    QCheckBox* landp;
    QLabel* Label36;

    // "CONS" and the script editor
    QGroupBox* GroupBox9;
    QListWidget* ListBox1;
    QPushButton* Button3;
    QLabel* Label34;
    QPlainTextEdit* Memo6;
};

} // namespace tw
