#pragma once

#include "windows/services/FigureWindow.h"

class TForm18;

// The record counts of every table, the archive's included. Made on first use and reused.
class TForm19 : public FigureWindow
{
    Q_OBJECT
public:
    explicit TForm19(Frame* main);

    // Label1..Label7 name the tables, Label8..Label14 hold their counts, in the same order.
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label14 = nullptr;

    // The counts of the frame's live instances and of the archive window's tables, each of those
    // opened for the count only.
    void Count(TForm18& archive);
};
