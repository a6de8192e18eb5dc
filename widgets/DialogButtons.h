#pragma once

class QHBoxLayout;
class QPushButton;
class QWidget;

// The row of "&Storno" (BitBtn1) and "&OK" (BitBtn2) at the right under a dialog's panel; OK is the
// default button, so Enter confirms.
QHBoxLayout* stornoOkButtons(QWidget* dialog, QPushButton*& storno, QPushButton*& ok);
