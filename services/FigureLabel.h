#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>

// A figure of the statistics windows: navy, bold italic, 13 pixels high.
inline void styleFigure(QLabel* label)
{
    QFont font = label->font();
    font.setPixelSize(13);
    font.setBold(true);
    font.setItalic(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    label->setPalette(palette);
}
