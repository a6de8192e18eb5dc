#pragma once

#include <QWidget>

class TForm1;
class Table;

class TForm2 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm2(TForm1* main);
    ~TForm2() override;

    Table* Table1 = nullptr; // the window's own instance of Zmluvy.DBF

private:
    TForm1* m_main;
};
