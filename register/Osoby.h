#pragma once

#include <QWidget>

class TForm1;
class Table;

class TForm3 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm3(TForm1* main);
    ~TForm3() override;

    Table* Table1 = nullptr; // the window's own instance of Osoby.DBF

private:
    TForm1* m_main;
};
