#include "app/AppearanceDialogs.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

AppearanceDialogs::Script s_script;

// The sixteen colours a font may take in the classic font dialog.
const struct
{
    QRgb rgb;
    const char16_t* name;
} BasicColors[] = {
    {0x000000, u"Čierna"},     {0x800000, u"Gaštanová"}, {0x008000, u"Zelená"},      {0x808000, u"Olivová"},
    {0x000080, u"Námornícka"}, {0x800080, u"Purpurová"}, {0x008080, u"Modrozelená"}, {0x808080, u"Sivá"},
    {0xC0C0C0, u"Strieborná"}, {0xFF0000, u"Červená"},   {0x00FF00, u"Limetková"},   {0xFFFF00, u"Žltá"},
    {0x0000FF, u"Modrá"},      {0xFF00FF, u"Fuchsiová"}, {0x00FFFF, u"Azúrová"},     {0xFFFFFF, u"Biela"},
};

QIcon swatch(const QColor& color)
{
    QPixmap p(16, 12);
    p.fill(color);
    return QIcon(p);
}

bool run(QDialog& dialog)
{
    if (s_script) return s_script(dialog);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

FontDialog::FontDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"FontDialog1"_s);
    Fonts = new QFontDialog(this);
    Fonts->setObjectName(u"Fonts"_s);
    // Inside this dialog, with its buttons: the platform's own font dialog cannot hold a colour.
    Fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    Fonts->setWindowFlags(Qt::Widget);
    Fonts->setSizeGripEnabled(false);
    setWindowTitle(Fonts->windowTitle());

    Color = new QComboBox(this);
    Color->setObjectName(u"Color"_s);
    for (const auto& c : BasicColors)
        Color->addItem(swatch(QColor(c.rgb)), QString::fromUtf16(c.name), QColor(c.rgb));
    auto* colorLabel = new QLabel(u"&Farba:"_s, this);
    colorLabel->setBuddy(Color);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Escape or Enter inside the embedded chooser would only hide the chooser: they answer this dialog.
    connect(Fonts, &QDialog::rejected, this, &QDialog::reject);
    connect(Fonts, &QDialog::accepted, this, &QDialog::accept);

    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(Color);
    colorRow->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Fonts);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
    Fonts->show();
}

void FontDialog::setCurrentFont(const QFont& font)
{
    Fonts->setCurrentFont(font);
}

QFont FontDialog::currentFont() const
{
    return Fonts->currentFont();
}

void FontDialog::setCurrentColor(const QColor& color)
{
    int index = Color->findData(color);
    if (index < 0) {
        Color->addItem(swatch(color), color.name(), color);
        index = Color->count() - 1;
    }
    Color->setCurrentIndex(index);
}

QColor FontDialog::currentColor() const
{
    return Color->currentData().value<QColor>();
}

namespace AppearanceDialogs {

void setScript(Script script)
{
    s_script = std::move(script);
}

bool chooseFont(QWidget* parent, QFont& font, QColor& color)
{
    FontDialog dialog(parent);
    dialog.setCurrentFont(font);
    dialog.setCurrentColor(color);
    if (!run(dialog)) return false;
    font = dialog.currentFont();
    color = dialog.currentColor();
    return true;
}

bool chooseColor(QWidget* parent, QColor& color)
{
    QColorDialog dialog(color, parent);
    dialog.setObjectName(u"ColorDialog1"_s);
    if (!run(dialog)) return false;
    // A script confirms without the dialog's own OK, which is what sets the selected colour.
    color = dialog.selectedColor().isValid() ? dialog.selectedColor() : dialog.currentColor();
    return true;
}

} // namespace AppearanceDialogs
