#pragma once

#include "windows/services/FigureWindow.h"

// The money figures of the statistics menu: the money lent out, or the pledge value of forfeited goods
// not yet sold. Made on first use and reused.
class TForm10 : public FigureWindow
{
    Q_OBJECT
public:
    explicit TForm10(Frame* main);

    QLabel* Label1 = nullptr; // the name of the figure
    QLabel* Label2 = nullptr; // the figure

    // figure 0: money in circulation over the frame's contracts instance; 1: the pledge value over its
    // goods instance. The instance ends at its last record.
    void Compute(int figure);
};
