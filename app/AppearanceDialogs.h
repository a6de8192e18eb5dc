#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <functional>

class QComboBox;
class QFontDialog;

// The system font dialog together with a font colour, as the font of a grid or a caption carries one.
class FontDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FontDialog(QWidget* parent = nullptr);

    void setCurrentFont(const QFont& font);
    QFont currentFont() const;
    // The colour is one of the colour box; one that is not among them is added to it.
    void setCurrentColor(const QColor& color);
    QColor currentColor() const;

    QFontDialog* Fonts = nullptr; // face, style and size, without limits
    QComboBox* Color = nullptr;   // "Farba:"
};

// Runs the appearance commands' dialogs. While a test script is set, it gets the prepared dialog
// instead of the user and says whether it was confirmed; nothing waits.
namespace AppearanceDialogs {

using Script = std::function<bool(QDialog& dialog)>;
void setScript(Script script);

// The chosen font and colour, or false when the dialog was cancelled.
bool chooseFont(QWidget* parent, QFont& font, QColor& color);
bool chooseColor(QWidget* parent, QColor& color);

} // namespace AppearanceDialogs
