#include "windows/services/Prihlasenie.h"

#include "store/Store.h"
#include "widgets/Guard.h"
#include "widgets/Messages.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TPrihlasenie::TPrihlasenie(QWidget* parent, Store& store, Mode mode)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_store(store), m_mode(mode)
{
    const bool signIn = mode == Mode::SignIn;
    setObjectName(u"TPrihlasenie"_s);
    setWindowTitle(signIn ? u"Prihlásenie"_s : u"Program je zamknutý"_s);
    // Nothing else of the program takes input meanwhile, whichever of its windows are open.
    setWindowModality(Qt::ApplicationModal);
    // While the frame is hidden it is the program's only window: closing it must not end the run by itself.
    setAttribute(Qt::WA_QuitOnClose, false);

    m_ask = signIn ? u"Vyberte pokladníka a zadajte heslo."_s
                   : u"Odomknúť môže prihlásený pokladník alebo vlastník svojím heslom."_s;
    Label3 = new QLabel(m_ask, this);
    Label3->setObjectName(u"Label3"_s);
    Label3->setWordWrap(true);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(u"ComboBox1"_s);
    if (signIn) {
        for (const Clerks::Clerk& c : Clerks::active(store))
            ComboBox1->addItem(c.name);
    } else {
        // The clerk whose work stands open, then the owners who may unlock it for them.
        ComboBox1->addItem(store.clerk());
        for (const Clerks::Clerk& c : Clerks::active(store))
            if (c.role == Clerks::Role::Owner && c.name != store.clerk()) ComboBox1->addItem(c.name);
    }
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(u"Edit1"_s);
    Edit1->setEchoMode(QLineEdit::Password);
    Edit1->setMinimumWidth(180);

    Label1 = new QLabel(u"&Pokladník"_s, this);
    Label1->setObjectName(u"Label1"_s);
    Label1->setBuddy(ComboBox1);
    Label2 = new QLabel(u"&Heslo"_s, this);
    Label2->setObjectName(u"Label2"_s);
    Label2->setBuddy(Edit1);
    auto* form = new QFormLayout;
    form->addRow(Label1, ComboBox1);
    form->addRow(Label2, Edit1);

    BitBtn1 = new QPushButton(u"&OK"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn1->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    if (signIn) {
        BitBtn2 = new QPushButton(u"&Zrušiť"_s, this);
        BitBtn2->setObjectName(u"BitBtn2"_s);
        buttons->addWidget(BitBtn2);
        connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    }
    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label3);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_waitTimer = new QTimer(this);
    m_waitTimer->setSingleShot(true);
    connect(m_waitTimer, &QTimer::timeout, this, [this] { guarded([this] { showWait(); }); });
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { guarded([this] { showWait(); }); });
    // A single choice needs none: the password comes first.
    if (ComboBox1->count() == 1)
        Edit1->setFocus();
    else
        ComboBox1->setFocus();
    showWait();
}

TPrihlasenie::~TPrihlasenie() = default;

void TPrihlasenie::showWait()
{
    using namespace std::chrono;
    const milliseconds wait = Clerks::signInWait(m_store, ComboBox1->currentText());
    BitBtn1->setEnabled(wait == 0ms);
    if (wait == 0ms) {
        Label3->setText(m_ask);
        return;
    }
    Label3->setText(Clerks::waitText(wait));
    // Again at the next whole second, or when the wait ends before it.
    m_waitTimer->start(std::min<milliseconds>(wait, wait % 1000ms == 0ms ? 1000ms : wait % 1000ms));
}

void TPrihlasenie::BitBtn1Click()
{
    if (ComboBox1->currentIndex() < 0) return showWait();
    const QString name = ComboBox1->currentText();
    QString password = Edit1->text();
    Edit1->clear();
    bool right = false;
    try {
        if (m_mode == Mode::SignIn) {
            m_role = Clerks::signIn(m_store, name, password);
            right = m_role.has_value();
        } else {
            right = Clerks::unlock(m_store, name, password);
        }
    } catch (const Clerks::Waiting&) {
        password.fill(u'\0');
        return showWait(); // nothing checked, nothing recorded
    }
    password.fill(u'\0');
    if (!right) {
        Messages::warning(u"Nesprávne heslo."_s);
        Edit1->setFocus();
        showWait();
        return;
    }
    m_clerk = name;
    accept();
}

void TPrihlasenie::reject()
{
    if (m_mode == Mode::SignIn) QDialog::reject();
}
